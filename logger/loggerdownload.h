#pragma once

#include "loggerframes.h"
#include "recording.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <functional>

// Downloads a logger's record groups over the current frame exchange, on the calling thread:
// each group requested, collected to its end frame, checked and requested again when damaged.
// The logger page and the command line both run it; neither needs a widget for it.
class LoggerDownload
{
public:
    static constexpr int MaxGroups = LoggerFrames::MaxGroups;
    // A download gives up on a logger that sends nothing for this long.
    static constexpr int StallTimeoutMs = 3000;
    // A group whose reply fails its checks (or stalls) is requested this often in all.
    static constexpr int GroupAttempts = 4;

    enum class End { Done, Failed, IntervalError, Stalled, LinkLost };

    struct Group {
        int index = 0;           // from 0
        QByteArray raw;          // the reply bytes as they came
        QByteArray data;         // 6 start-time bytes, then the samples
        int intervalSeconds = 0; // the storage interval in force at the download
    };

    struct Hooks {
        // Bytes received so far, over every group.
        std::function<void(qint64 received)> progress;
        // Runs between reads (the page lets its progress dialog repaint there).
        std::function<void()> idle;
        // True once the instrument is known to have gone, though the link may still look open.
        std::function<bool()> abandoned;
        // Each whole group, as soon as it is in, in order.
        std::function<void(const Group &group)> group;
    };

    explicit LoggerDownload(Hooks hooks);

    // Downloads groups 0 .. count - 1 (at most MaxGroups).
    End run(int count);
    // Groups that failed their checks on every attempt: left out, with no numbers.
    const QList<int> &leftOut() const { return m_leftOut; }

    // The library entry of a group: `identity` with the group, its samples, the statistics
    // and the table texts (number, start, duration, REC, MAX, MIN, AVG) as the page shows them.
    static Recording entry(const Group &group, Recording identity);

    // Tests shorten the 3 s stall time-out; the program never changes it.
    static void setStallTimeoutMs(int ms);

private:
    End fetchGroup(int group, QByteArray &raw, qint64 &received, bool &whole);
    End receiveGroup(QByteArray &raw, qint64 &received, const QDeadlineTimer &deadline);
    End waitForQuiet();
    bool lost() const;

    Hooks m_hooks;
    QList<int> m_leftOut;
};
