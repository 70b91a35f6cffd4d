// Reply decoding of every protocol operation. The first input byte picks the decoder
// (low three bits) and the address it expects (next two bits); the rest is the reply.
#include "crc16.h"
#include "fuzzcheck.h"
#include "instrumentprotocol.h"

#include <cstdint>

namespace {

bool validCode(int code)
{
    return code == InstrumentProtocol::Ok || code == InstrumentProtocol::NoReply ||
           code == InstrumentProtocol::BadEcho || code == InstrumentProtocol::BadBlock;
}

// An impossible stored date is passed on as an invalid date, never as some other day.
void checkDate(const QDate &date, int year, int month, int day)
{
    const QDate stored(year, month, day);
    if (stored.isValid())
        check(date == stored);
    else
        check(!date.isValid());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const quint8 addresses[4] = {0x60, 0x80, 0x24, 0xE0};
    const quint8 selector = data[0];
    const quint8 address = addresses[(selector >> 3) & 3];
    const QByteArray reply(reinterpret_cast<const char *>(data + 1),
                           static_cast<qsizetype>(size - 1));
    const int n = static_cast<int>(reply.size());

    switch (selector & 7) {
    case 0: {
        int version = -12345;
        const int code = InstrumentProtocol::parseFirmwareVersion(reply, version);
        check(validCode(code));
        if (code == InstrumentProtocol::Ok)
            check(n >= 10 && version == (byteAt(reply, 6) | (byteAt(reply, 7) << 8)));
        else
            check(version == -12345);
        break;
    }
    case 1: {
        ProductionInfo info;
        info.serialNumber = 0xDEADBEEF;
        info.productionDate = QDate(1999, 9, 9);
        const int code = InstrumentProtocol::parseProductionInfo(reply, info);
        check(validCode(code));
        if (code == InstrumentProtocol::Ok) {
            check(n >= 30);
            check(Crc16::modbus(reply, 8, 18) == (byteAt(reply, 26) | (byteAt(reply, 27) << 8)));
            checkDate(info.productionDate, byteAt(reply, 10) | (byteAt(reply, 11) << 8),
                      byteAt(reply, 12), byteAt(reply, 13));
        } else {
            check(info.serialNumber == 0xDEADBEEF && info.productionDate == QDate(1999, 9, 9));
        }
        break;
    }
    case 2: {
        QDate date(1999, 9, 9);
        const int code = InstrumentProtocol::parseCalibrationDate(reply, date);
        check(validCode(code));
        if (code == InstrumentProtocol::Ok) {
            check(n >= 16);
            checkDate(date, byteAt(reply, 8) | (byteAt(reply, 9) << 8), byteAt(reply, 10),
                      byteAt(reply, 11));
        } else {
            check(date == QDate(1999, 9, 9));
        }
        break;
    }
    case 3: {
        int values[4] = {-1, -1, -1, -1};
        const int code = InstrumentProtocol::parseSettingsBlock(reply, address, values);
        check(validCode(code));
        for (int i = 0; i < 4; ++i) {
            if (code == InstrumentProtocol::Ok)
                check(values[i] == byteAt(reply, 8 + i));
            else
                check(values[i] == -1);
        }
        break;
    }
    case 4: {
        const int code = InstrumentProtocol::parseWriteReply(reply, address);
        check(validCode(code) && code != InstrumentProtocol::BadBlock);
        if (code == InstrumentProtocol::Ok)
            check(n >= 10);
        break;
    }
    case 5: {
        const int code = InstrumentProtocol::parseWriteDateTimeReply(reply);
        check(validCode(code) && code != InstrumentProtocol::BadBlock);
        if (code == InstrumentProtocol::Ok)
            check(n >= 8);
        break;
    }
    case 6: {
        const QDateTime before(QDate(1999, 9, 9), QTime(9, 9, 9));
        QDateTime when = before;
        const int code = InstrumentProtocol::parseDateTime(reply, when);
        check(validCode(code) && code != InstrumentProtocol::BadBlock);
        if (code == InstrumentProtocol::Ok) {
            check(n >= 14);
            const QDate date(2000 + byteAt(reply, 6), byteAt(reply, 7), byteAt(reply, 8));
            const QTime time(byteAt(reply, 9), byteAt(reply, 10), byteAt(reply, 11));
            // A valid clock reading comes back as it was stored.
            if (date.isValid() && time.isValid())
                check(when.isValid() && when.date() == date && when.time() == time);
            else
                check(!when.isValid());
        } else {
            check(when == before);
        }
        break;
    }
    case 7: {
        int count = -12345;
        const int code = InstrumentProtocol::parsePowerGroupCount(reply, count);
        check(validCode(code));
        if (code == InstrumentProtocol::Ok)
            check(n >= 14 && count == byteAt(reply, 8));
        else
            check(count == -12345);
        break;
    }
    }
    return 0;
}
