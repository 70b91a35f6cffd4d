#include "meterfetch.h"

#include "frameexchange.h"
#include "instrumentprotocol.h"
#include "meterframes.h"
#include "metermodels.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>
#include <utility>

namespace {

constexpr int kSendTimeoutMs = 1000;
constexpr quint32 kFirstGroupAddress = 240;
constexpr quint32 kGroupStride = 24;
// A poll that fails at once still waits this long before the next, so the wait never spins.
constexpr int kPollPauseMs = 20;
constexpr int kReadLength = 4096;

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

} // namespace

bool MeterFetch::sendRequests(int count)
{
    FrameExchange *exchange = FrameExchange::current();
    for (int i = 0; i < count; ++i) {
        QByteArray request =
            InstrumentProtocol::powerGroupRequest(kFirstGroupAddress + kGroupStride * i);
        if (!exchange || exchange->SendData(request, kSendTimeoutMs) < 8)
            return false;
    }
    return true;
}

qsizetype MeterFetch::expectedBytes(int count)
{
    return static_cast<qsizetype>(qMax(0, count)) * MeterFrames::GroupReplyLength;
}

MeterFetch::End MeterFetch::collect(int count, QByteArray &buffer, int timeoutMs,
                                    const std::function<void(qsizetype)> &progress,
                                    const std::function<bool()> &abandoned)
{
    const qsizetype expected = expectedBytes(count);
    const QDeadlineTimer deadline(timeoutMs);
    // A probe report between the replies takes room but is no reply: count the replies.
    while (buffer.size() < expected || MeterFrames::groupReplies(buffer).size() < count) {
        FrameExchange *exchange = FrameExchange::current();
        if (!exchange || !exchange->IsLinkOpen() || (abandoned && abandoned()))
            return End::LinkLost;
        if (deadline.hasExpired())
            return End::TimedOut;
        QElapsedTimer call;
        call.start();
        QByteArray chunk;
        if (exchange->ReceiveData(chunk, 0, kReadLength, false) > 0 && !chunk.isEmpty()) {
            buffer.append(chunk);
            if (progress)
                progress(qMin(buffer.size(), expected));
        } else if (call.elapsed() < kPollPauseMs) {
            QThread::msleep(static_cast<unsigned long>(kPollPauseMs - call.elapsed()));
        }
    }
    return End::Done;
}

QString MeterFetch::unitName(int unit)
{
    static const char *const kPowerUnits[] = {"uW/cm²", "mW/cm²", "W/cm²", "W/m²"};
    return unit >= 0 && unit <= 3 ? QString::fromUtf8(kPowerUnits[unit]) : QString();
}

bool MeterFetch::entry(const QByteArray &reply, int record, int unit, quint32 modelCode,
                       Recording identity, Recording &entry)
{
    MeterFrames::Group group;
    if (!MeterFrames::decodeGroup(reply, group))
        return false;
    const int decimals = MeterModels::decimals(MeterModels::profile(modelCode), unit);
    QString energy, rt, max, min, avg;
    if (decimals >= 0) {
        energy = fixed(group.energy, decimals);
        rt = fixed(group.powerRT, decimals);
        max = fixed(group.powerMAX, decimals);
        min = fixed(group.powerMIN, decimals);
        avg = fixed(group.powerAVG, decimals);
    }
    entry = std::move(identity);
    entry.family = Recording::Family::Meter;
    entry.group = record;
    entry.rawFrames = reply;
    entry.shown =
        QStringList{QString::number(record), energy, fixed(group.duration, 1), rt, max, min, avg};
    entry.energy = group.energy;
    entry.duration = group.duration;
    entry.powerRt = group.powerRT;
    entry.powerMax = group.powerMAX;
    entry.powerMin = group.powerMIN;
    entry.powerAvg = group.powerAVG;
    entry.unit = unitName(unit);
    entry.updateHash();
    return true;
}
