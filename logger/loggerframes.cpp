#include "loggerframes.h"

#include "crc16.h"
#include "instrumentwire.h"
#include "wirebytes.h"

#include <QDate>
#include <QTime>
#include <cmath>

namespace {

constexpr quint8 kStartByte = InstrumentWire::StartByte;
constexpr quint8 kGroupCommand = InstrumentWire::memoryRead(InstrumentWire::GroupBank);
const QString kDashedFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

quint8 at(const QByteArray &bytes, qsizetype i)
{
    return WireBytes::read8(bytes, i);
}

} // namespace

quint32 LoggerFrames::groupAddress(int group)
{
    return InstrumentWire::loggerGroupAddress(group);
}

bool LoggerFrames::findEndFrame(const QByteArray &raw, qsizetype &offset)
{
    const qsizetype size = raw.size();
    if (offset < 0)
        offset = 0;
    while (offset < size) {
        if (at(raw, offset) != kStartByte) {
            ++offset;
            continue;
        }
        // A start byte at the very end may begin a header: wait for the next byte.
        if (offset + 1 >= size)
            return false;
        if (at(raw, offset + 1) != kGroupCommand) {
            ++offset;
            continue;
        }
        if (offset + HeaderLength > size)
            return false;
        const int length = WireBytes::read16(raw, offset + 6);
        if (length == 0) {
            // Its CRC too, or those two bytes would land in front of the next group.
            return offset + FrameOverhead <= size;
        }
        offset += length + FrameOverhead;
    }
    return false;
}

QByteArray LoggerFrames::assembleGroup(const QByteArray &raw, QList<int> *skipped)
{
    QByteArray data;
    const qsizetype size = raw.size();
    qsizetype offset = 0;
    while (offset < size) {
        if (offset + HeaderLength > size || at(raw, offset) != kStartByte ||
            at(raw, offset + 1) != kGroupCommand) {
            ++offset;
            continue;
        }
        const int length = WireBytes::read16(raw, offset + 6);
        if (length == 0)
            break;
        const qsizetype end = offset + length + FrameOverhead;
        if (end < size)
            data.append(raw.constData() + offset + HeaderLength, length);
        else if (skipped)
            skipped->append(length);
        offset = end;
    }
    return data;
}

LoggerFrames::GroupCheck LoggerFrames::checkGroup(const QByteArray &raw, quint32 requested)
{
    struct Seen {
        quint32 address;
        int length;
    };
    QList<Seen> frames;
    const qsizetype size = raw.size();
    qsizetype offset = 0;
    bool ended = false;
    while (offset < size && !ended) {
        if (offset + HeaderLength > size || at(raw, offset) != kStartByte ||
            at(raw, offset + 1) != kGroupCommand) {
            ++offset;
            continue;
        }
        const int length = WireBytes::read16(raw, offset + 6);
        const qsizetype end = offset + length + FrameOverhead;
        if (end > size)
            return GroupCheck::Cut;
        if (Crc16::modbus(raw, offset, end - 2 - offset) != WireBytes::read16(raw, end - 2))
            return GroupCheck::BadCrc;
        const quint32 address = WireBytes::read32(raw, offset + 2);
        frames.append({address, length});
        ended = length == 0;
        offset = end;
    }
    if (!ended)
        return GroupCheck::Cut;

    bool counted = false;
    for (qsizetype i = 1; i < frames.size() && !counted; ++i)
        counted = frames.at(i).address ==
                  frames.at(i - 1).address + static_cast<quint32>(frames.at(i - 1).length);
    if (!counted)
        return GroupCheck::Whole;
    const quint32 first = frames.first().address;
    if (first != requested && first != 0)
        return GroupCheck::MissingFrame;
    for (qsizetype i = 1; i < frames.size(); ++i) {
        if (frames.at(i).address !=
            frames.at(i - 1).address + static_cast<quint32>(frames.at(i - 1).length))
            return GroupCheck::MissingFrame;
    }
    return GroupCheck::Whole;
}

int LoggerFrames::sampleCount(const QByteArray &group)
{
    if (group.size() < StartTimeBytes)
        return 0;
    return static_cast<int>((group.size() - StartTimeBytes) / 4);
}

float LoggerFrames::sample(const QByteArray &group, int index)
{
    if (index < 0 || index >= sampleCount(group))
        return 0;
    return WireBytes::readFloat(group, StartTimeBytes + 4 * qsizetype(index));
}

QString LoggerFrames::startTimeText(const QByteArray &group)
{
    if (group.size() < StartTimeBytes)
        return QString();
    // Kept apart from QDateTime: a start inside a daylight-saving gap is still shown as stored.
    const QDate date(2000 + at(group, 0), at(group, 1), at(group, 2));
    const QTime time(at(group, 3), at(group, 4), at(group, 5));
    if (!date.isValid() || !time.isValid())
        return QString();
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
           time.toString(QStringLiteral("hh:mm:ss"));
}

QString LoggerFrames::compactTime(const QString &dashed)
{
    if (dashed.size() != kDashedFormat.size() || dashed.at(10) != QLatin1Char(' '))
        return QString();
    const QDate date = QDate::fromString(dashed.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(dashed.mid(11), QStringLiteral("hh:mm:ss"));
    if (!date.isValid() || !time.isValid())
        return QString();
    return date.toString(QStringLiteral("yyyyMMdd")) + time.toString(QStringLiteral("hhmmss"));
}

LoggerFrames::Statistics LoggerFrames::statistics(const QByteArray &group)
{
    Statistics s;
    s.count = sampleCount(group);
    if (s.count == 0)
        return s;
    float sum = 0;
    for (int k = 0; k < s.count; ++k) {
        const float value = sample(group, k);
        if (!std::isfinite(value))
            continue;
        if (s.finiteCount++ == 0) {
            s.max = value;
            s.min = value;
        }
        if (value > s.max)
            s.max = value;
        if (value < s.min)
            s.min = value;
        sum += value;
        s.rec = value;
    }
    if (s.finiteCount > 0)
        s.avg = sum / static_cast<float>(s.finiteCount);
    // A sum beyond the float range is summed again wider; the mean itself always fits.
    if (!std::isfinite(s.avg)) {
        double wide = 0;
        for (int k = 0; k < s.count; ++k) {
            const float value = sample(group, k);
            if (std::isfinite(value))
                wide += value;
        }
        s.avg = static_cast<float>(wide / s.finiteCount);
    }
    return s;
}
