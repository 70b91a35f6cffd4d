#include "meterframes.h"

#include "instrumentwire.h"
#include "wirebytes.h"

namespace {

using W = InstrumentWire;

quint8 at(const QByteArray &bytes, qsizetype i)
{
    return WireBytes::read8(bytes, i);
}

} // namespace

QList<QByteArray> MeterFrames::groupReplies(const QByteArray &buffer)
{
    QList<QByteArray> replies;
    qsizetype i = 0;
    while (i + GroupReplyLength <= buffer.size()) {
        if (at(buffer, i) == W::StartByte && at(buffer, i + 1) == W::memoryRead(W::GroupBank)) {
            replies.append(buffer.mid(i, GroupReplyLength));
            i += GroupReplyLength;
        } else {
            ++i;
        }
    }
    return replies;
}

bool MeterFrames::decodeGroup(const QByteArray &reply, Group &group)
{
    if (reply.size() < GroupReplyLength)
        return false;
    group.powerRT = WireBytes::readFloat(reply, 8);
    group.powerMAX = WireBytes::readFloat(reply, 12);
    group.powerMIN = WireBytes::readFloat(reply, 16);
    group.powerAVG = WireBytes::readFloat(reply, 20);
    group.energy = WireBytes::readFloat(reply, 24);
    group.duration = WireBytes::readFloat(reply, 28);
    return true;
}

int MeterFrames::probeState(const QByteArray &buffer)
{
    for (qsizetype i = 0; i + ProbeReportMinLength <= buffer.size(); ++i) {
        if (at(buffer, i) == W::StartByte && at(buffer, i + 1) == W::Notification &&
            at(buffer, i + 2) == W::ProbeRegister) {
            const quint8 state = at(buffer, i + 6);
            if (state == ProbeOut || state == ProbeIn)
                return state;
        }
    }
    return NoProbeReport;
}
