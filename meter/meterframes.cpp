#include "meterframes.h"

#include <cstring>

namespace {

float le32float(const QByteArray &bytes, int offset)
{
    quint32 raw = 0;
    for (int i = 3; i >= 0; --i)
        raw = (raw << 8) | static_cast<quint8>(bytes.at(offset + i));
    float value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

quint8 at(const QByteArray &bytes, qsizetype i)
{
    return static_cast<quint8>(bytes.at(i));
}

} // namespace

QList<QByteArray> MeterFrames::groupReplies(const QByteArray &buffer)
{
    QList<QByteArray> replies;
    qsizetype i = 0;
    while (i + GroupReplyLength <= buffer.size()) {
        if (at(buffer, i) == 0xAB && at(buffer, i + 1) == 0x42) {
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
    group.powerRT = le32float(reply, 8);
    group.powerMAX = le32float(reply, 12);
    group.powerMIN = le32float(reply, 16);
    group.powerAVG = le32float(reply, 20);
    group.energy = le32float(reply, 24);
    group.duration = le32float(reply, 28);
    return true;
}

int MeterFrames::probeState(const QByteArray &buffer)
{
    for (qsizetype i = 0; i + ProbeReportMinLength <= buffer.size(); ++i) {
        if (at(buffer, i) == 0xAB && at(buffer, i + 1) == 0x22 && at(buffer, i + 2) == 0x0D) {
            const quint8 state = at(buffer, i + 6);
            if (state == 0 || state == 1)
                return state;
        }
    }
    return -1;
}
