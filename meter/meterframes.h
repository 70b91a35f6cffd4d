#pragma once

#include <QByteArray>
#include <QList>

// What the meter sends through the polling worker: replies to group requests and
// unasked probe reports. Safe on any bytes.
class MeterFrames
{
public:
    static constexpr int GroupReplyLength = 34;
    static constexpr int ProbeReportMinLength = 7;

    struct Group {
        float powerRT = 0;
        float powerMAX = 0;
        float powerMIN = 0;
        float powerAVG = 0;
        float energy = 0;
        float duration = 0;
    };

    // Every 34-byte group reply in the buffer, in order; bytes between them are skipped.
    static QList<QByteArray> groupReplies(const QByteArray &buffer);
    // The six values of a group reply; false when the reply is too short.
    static bool decodeGroup(const QByteArray &reply, Group &group);
    // What a probe report says; its state byte is 0 or 1.
    enum ProbeState { NoProbeReport = -1, ProbeOut = 0, ProbeIn = 1 };
    // The state of the first probe report with state 0 or 1, or NoProbeReport.
    static int probeState(const QByteArray &buffer);
};
