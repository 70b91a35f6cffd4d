#include "loggerdownload.h"

#include "dose.h"
#include "frameexchange.h"
#include "instrumentprotocol.h"
#include "loggermodels.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <utility>

namespace {

constexpr int kGroupSendTimeoutMs = 1000;
// One read of the link waits this long for a report when nothing comes.
constexpr int kReadWaitMs = 50;
// What the single-read form of ReceiveData is asked for.
constexpr int kReadLength = 8890;
// Far more than a group with one data byte per frame; a logger that streams on without
// an end frame is cut off here.
constexpr qsizetype kMaxRawBytes = 1 << 16;
// And one that trickles: a whole group, every attempt of it, takes well under a second.
constexpr int kGroupDeadlineMs = 30000;

std::atomic<int> g_stallTimeoutMs{LoggerDownload::StallTimeoutMs};

const char *checkText(LoggerFrames::GroupCheck check)
{
    switch (check) {
    case LoggerFrames::GroupCheck::Whole:
        return "whole";
    case LoggerFrames::GroupCheck::BadCrc:
        return "a frame CRC is wrong";
    case LoggerFrames::GroupCheck::MissingFrame:
        return "a frame is missing";
    case LoggerFrames::GroupCheck::Cut:
        return "the reply is cut";
    }
    return "";
}

} // namespace

LoggerDownload::LoggerDownload(Hooks hooks) : m_hooks(std::move(hooks)) {}

void LoggerDownload::setStallTimeoutMs(int ms)
{
    g_stallTimeoutMs.store(ms);
}

bool LoggerDownload::lost() const
{
    if (m_hooks.abandoned && m_hooks.abandoned())
        return true;
    FrameExchange *exchange = FrameExchange::current();
    return !exchange || !exchange->IsLinkOpen();
}

LoggerDownload::End LoggerDownload::run(int count)
{
    m_leftOut.clear();
    count = qBound(0, count, MaxGroups);
    qint64 received = 0;
    // Read once, after the first whole group: no setup write can come in between, since the
    // download holds the instrument until it is over.
    int seconds = 0;
    for (int g = 0; g < count; ++g) {
        Group group;
        group.index = g;
        bool whole = false;
        const End end = fetchGroup(g, group.raw, received, whole);
        if (end != End::Done)
            return end;
        if (!whole) {
            // No numbers rather than wrong ones.
            m_leftOut.append(g);
            continue;
        }
        QList<int> skipped;
        group.data = LoggerFrames::assembleGroup(group.raw, &skipped);
        for (int length : skipped)
            qDebug("data len %u is error!", static_cast<unsigned>(length));

        // The setting in force now, not the one the group was recorded with.
        if (seconds <= 0) {
            int autoOff = 0, minutes = 0, interval = 0, spare = 0;
            const int code = InstrumentProtocol::instance()->ReadHostConfigure(autoOff, minutes,
                                                                               interval, spare);
            if (code == InstrumentProtocol::Ok)
                seconds = LoggerModels::intervalSeconds(autoOff, interval);
            else if (code == InstrumentProtocol::BadBlock)
                seconds = 1;
            else
                return lost() ? End::LinkLost : End::IntervalError;
        }
        group.intervalSeconds = seconds;
        if (m_hooks.group)
            m_hooks.group(group);
    }
    return End::Done;
}

LoggerDownload::End LoggerDownload::fetchGroup(int group, QByteArray &raw, qint64 &received,
                                               bool &whole)
{
    whole = false;
    const quint32 address = LoggerFrames::groupAddress(group);
    const QDeadlineTimer deadline(kGroupDeadlineMs);
    End last = End::Done;
    for (int attempt = 1; attempt <= GroupAttempts && !deadline.hasExpired(); ++attempt) {
        if (attempt > 1) {
            // What is still coming of the last reply must not mix with the next one.
            const End quiet = waitForQuiet();
            if (quiet != End::Done)
                return quiet;
            raw.clear();
        }
        FrameExchange *exchange = FrameExchange::current();
        QByteArray request = InstrumentProtocol::powerGroupRequest(address);
        if (!exchange || exchange->SendData(request, kGroupSendTimeoutMs) < 8)
            return m_hooks.abandoned && m_hooks.abandoned() ? End::LinkLost : End::Failed;

        last = receiveGroup(raw, received, deadline);
        if (last == End::LinkLost)
            return last;
        if (last == End::Done) {
            const LoggerFrames::GroupCheck check = LoggerFrames::checkGroup(raw, address);
            if (check == LoggerFrames::GroupCheck::Whole) {
                whole = true;
                return End::Done;
            }
            qDebug("group %d, attempt %d: %s", group + 1, attempt, checkText(check));
        } else {
            qDebug("group %d, attempt %d: no end frame in time", group + 1, attempt);
        }
    }
    // A logger that has stopped answering ends the download; one that answers wrongly, the group.
    return last == End::Stalled ? End::Stalled : End::Done;
}

LoggerDownload::End LoggerDownload::waitForQuiet()
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (lost())
            return End::LinkLost;
        QByteArray chunk;
        // One read that brings nothing: the link has been quiet for a whole report wait.
        if (FrameExchange::current()->ReceiveData(chunk, 0, kReadLength, false) <= 0 ||
            chunk.isEmpty())
            return End::Done;
        if (m_hooks.idle)
            m_hooks.idle();
        if (waited.elapsed() >= g_stallTimeoutMs.load())
            return End::Done;
    }
}

LoggerDownload::End LoggerDownload::receiveGroup(QByteArray &raw, qint64 &received,
                                                 const QDeadlineTimer &deadline)
{
    qsizetype scanAt = 0;
    QElapsedTimer sinceBytes;
    sinceBytes.start();
    for (;;) {
        if (lost())
            return End::LinkLost;
        QElapsedTimer call;
        call.start();
        QByteArray chunk;
        const int got = FrameExchange::current()->ReceiveData(chunk, 0, kReadLength, false);
        bool complete = false;
        if (got > 0 && !chunk.isEmpty()) {
            raw.append(chunk);
            received += chunk.size();
            sinceBytes.restart();
            if (m_hooks.progress)
                m_hooks.progress(received);
            complete = LoggerFrames::findEndFrame(raw, scanAt);
        } else if (call.elapsed() < kReadWaitMs) {
            // A link that fails at once must not turn the wait into a spin.
            QThread::msleep(static_cast<unsigned long>(kReadWaitMs - call.elapsed()));
        }
        if (m_hooks.idle)
            m_hooks.idle();
        if (lost())
            return End::LinkLost;
        if (complete)
            return End::Done;
        if (sinceBytes.elapsed() >= g_stallTimeoutMs.load() || raw.size() > kMaxRawBytes ||
            deadline.hasExpired())
            return End::Stalled;
    }
}

Recording LoggerDownload::entry(const Group &group, Recording identity)
{
    const LoggerFrames::Statistics stats = LoggerFrames::statistics(group.data);
    QStringList texts{QString::number(group.index + 1), LoggerFrames::startTimeText(group.data),
                      QString::number(static_cast<qint64>(stats.count) * group.intervalSeconds)};
    // Without a sample there is nothing to show, rather than made-up numbers.
    for (float value : {stats.rec, stats.max, stats.min, stats.avg})
        texts.append(stats.finiteCount > 0 ? QString::number(static_cast<double>(value), 'f', 1)
                                           : QString());

    Recording entry = std::move(identity);
    entry.family = Recording::Family::Logger;
    entry.group = group.index + 1;
    entry.setGroupData(group.data);
    entry.intervalSeconds = group.intervalSeconds;
    entry.rawFrames = group.raw;
    entry.shown = texts;
    if (stats.finiteCount > 0) {
        entry.powerRec = stats.rec;
        entry.powerMax = stats.max;
        entry.powerMin = stats.min;
        entry.powerAvg = stats.avg;
    }
    entry.updateHash();
    const Dose dose = Dose::of(entry);
    entry.doseUjCm2 = dose.microjoulesPerCm2;
    entry.doseFlagged = dose.flagged;
    return entry;
}
