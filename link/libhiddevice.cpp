#include "libhiddevice.h"
#include "hidconnection.h"

#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace {

constexpr int MaxInterfaces = 128;
constexpr int MaxSerials = 6;

// Picks the interface to open: the instrument whose serial was found last, and of its
// interfaces the last one. An empty serial gets a name of its own so that every
// instrument stays distinguishable.
int chooseInterface(const QList<HidDeviceInfo> &devices)
{
    QStringList keys;
    QStringList serials;
    int unnamed = 0;
    const int count = std::min<int>(devices.size(), MaxInterfaces);
    for (int i = 0; i < count; ++i) {
        const QString &serial = devices.at(i).serial;
        const QString key =
            serial.isEmpty() ? QStringLiteral("SerNum %1").arg(unnamed++, 0, 16) : serial;
        keys.append(key);
        if (!serials.contains(key) && serials.size() < MaxSerials)
            serials.append(key);
    }
    if (serials.isEmpty())
        return -1;
    const QString target = serials.last();
    int chosen = -1;
    for (int i = 0; i < count; ++i) {
        if (keys.at(i) != target)
            continue;
        if (chosen < 0 || devices.at(i).interfaceNumber >= devices.at(chosen).interfaceNumber)
            chosen = i;
    }
    return chosen;
}

} // namespace

// Reads the connection on a thread of its own into a queue of reports.
struct libHidDevice::Drain {
    explicit Drain(HidConnection *connection) : m_connection(connection)
    {
        m_lastTraffic.start();
        m_thread = std::thread([this] { run(); });
    }
    ~Drain()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_connection->cancelRead(); // the connection closes next; its read need not wait
        m_thread.join();
    }
    Drain(const Drain &) = delete;
    Drain &operator=(const Drain &) = delete;

    // As HidConnection::readReport: the report's length, 0 when none came in time (or none
    // will come: the device has gone), -1 while the device fails.
    int take(QByteArray &report, int timeoutMs)
    {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            if (!m_reports.empty()) {
                report = std::move(m_reports.front());
                m_reports.pop_front();
                return static_cast<int>(report.size());
            }
            if (m_failed)
                return -1;
            if (m_gone || m_stop)
                return 0;
            if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout &&
                m_reports.empty())
                return m_failed ? -1 : 0;
        }
    }

    // True as soon as a report waits; false when none came in time, when none will come,
    // or when woken.
    bool waitForReport(int timeoutMs)
    {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_until(lock, deadline,
                             [this] { return !m_reports.empty() || m_gone || m_stop || m_woken; });
        m_woken = false;
        return !m_reports.empty();
    }
    void wake()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_woken = true;
        }
        m_changed.notify_all();
    }

    // The drain starts no read while a write is under way, so a connection that lets one
    // of them at the handle at a time keeps a write waiting for one read at most.
    void beginWrite()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_writers;
        m_lastTraffic.restart();
    }
    void endWrite()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            --m_writers;
        }
        m_changed.notify_all();
    }

private:
    void run()
    {
        QByteArray report;
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            if (m_writers > 0) {
                // Writes are bounded by their own time-out; the wait is bounded here too.
                m_changed.wait_for(lock, std::chrono::milliseconds(DefaultTimeoutMs));
                continue;
            }
            const int wait =
                m_lastTraffic.hasExpired(DrainIdleAfterMs) ? DrainIdleWaitMs : DrainWaitMs;
            lock.unlock();
            QElapsedTimer waited;
            waited.start();
            const int got = m_connection->readReport(report, wait);
            const qint64 early = wait - waited.elapsed();
            // Asked only when the read failed or gave up early, not on every quiet wait.
            const bool gone = (got < 0 || (got == 0 && early > 0)) && m_connection->isRemoved();
            lock.lock();
            if (got > 0) {
                if (m_reports.size() >= static_cast<size_t>(DrainCapacity))
                    m_reports.pop_front();
                m_reports.push_back(report);
                m_lastTraffic.restart();
                m_failed = false;
                m_changed.notify_all();
                continue;
            }
            if (got < 0) {
                m_failed = true;
                m_changed.notify_all();
            }
            if (gone) {
                m_gone = true;
                m_changed.notify_all();
                return;
            }
            // A device that fails at once must not turn the loop into a spin.
            if (early > 0)
                m_changed.wait_for(lock, std::chrono::milliseconds(early),
                                   [this] { return m_stop; });
        }
    }

    HidConnection *const m_connection;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_reports;
    int m_writers = 0;
    bool m_stop = false;
    bool m_failed = false;       // the last read failed
    bool m_gone = false;         // the device has gone; the thread has ended
    bool m_woken = false;        // a waiter is to return; cleared by the wait
    QElapsedTimer m_lastTraffic; // since the last report in or write out
    std::thread m_thread;
};

libHidDevice::libHidDevice() = default;

libHidDevice::~libHidDevice()
{
    libHidDevice::Close();
}

int libHidDevice::Open(quint16 vendorId, quint16 productId)
{
    // A record serves one open only.
    Close();
    m_record.reset();
    m_open = false;
    m_lastOpenError = HidBackend::OpenError::NotFound;

    HidBackend *backend = HidBackend::current();
    const QList<HidDeviceInfo> devices = backend->enumerate(vendorId, productId);
    QList<HidDeviceInfo> matching;
    for (const HidDeviceInfo &d : devices) {
        if (d.vendorId == vendorId && d.productId == productId)
            matching.append(d);
    }
    const int index = chooseInterface(matching);
    if (index < 0)
        return -1;

    HidBackend::OpenError error = HidBackend::OpenError::None;
    std::unique_ptr<HidConnection> connection = backend->open(matching.at(index).path, &error);
    if (!connection) {
        m_lastOpenError =
            error == HidBackend::OpenError::None ? HidBackend::OpenError::Failed : error;
        return -1;
    }

    auto record = std::make_unique<DeviceRecord>();
    record->inputReportLength = connection->inputReportLength();
    record->outputReportLength = connection->outputReportLength();
    record->connection = std::move(connection);
    if (m_draining)
        record->drain = std::make_unique<Drain>(record->connection.get());
    record->open = true;
    m_record = std::move(record);
    m_open = true;
    m_lastOpenError = HidBackend::OpenError::None;
    return 0;
}

void libHidDevice::Close()
{
    if (!m_record || !m_record->open || !m_record->connection)
        return;
    m_record->open = false;
    m_record->drain.reset();
    m_record->connection.reset();
    m_record->leftover.clear();
    m_open = false;
}

bool libHidDevice::IsOpen() const
{
    return m_open && m_record && m_record->open;
}

int libHidDevice::Write(const char *source, int length, int timeoutMs)
{
    if (length <= 0 || !source)
        return 0;
    if (!IsOpen())
        return 0;
    DeviceRecord &record = *m_record;
    record.writeTimeout = timeoutMs;
    const int reportLength = std::max(record.outputReportLength, MaxPayload + 2);
    struct WriteGuard {
        Drain *drain;
        explicit WriteGuard(Drain *d) : drain(d)
        {
            if (drain)
                drain->beginWrite();
        }
        ~WriteGuard()
        {
            if (drain)
                drain->endWrite();
        }
        WriteGuard(const WriteGuard &) = delete;
        WriteGuard &operator=(const WriteGuard &) = delete;
    } guard(record.drain.get());

    int offset = 0;
    while (offset < length) {
        const int n = std::min(length - offset, MaxPayload);
        QByteArray report(reportLength, '\0');
        report[0] = static_cast<char>(ReportId);
        report[1] = static_cast<char>(n);
        std::memcpy(report.data() + 2, source + offset, static_cast<size_t>(n));
        if (record.connection->writeReport(report, record.writeTimeout) <= 0)
            return 0;
        offset += n;
    }
    return length;
}

int libHidDevice::Read(char *destination, int length, int timeoutMs)
{
    return read(destination, length, timeoutMs, true);
}

int libHidDevice::ReadAvailable(char *destination, int length, int timeoutMs)
{
    return read(destination, length, timeoutMs, false);
}

int libHidDevice::read(char *destination, int length, int timeoutMs, bool untilQuiet)
{
    if (length <= 0 || !destination || !IsOpen())
        return 0;
    DeviceRecord &record = *m_record;
    record.readTimeout = timeoutMs;
    QByteArray &leftover = record.leftover;
    struct LeftoverFlag {
        DeviceRecord &record;
        ~LeftoverFlag() { record.hasLeftover.store(!record.leftover.isEmpty()); }
    } flag{record};

    if (leftover.size() > length) {
        std::memcpy(destination, leftover.constData(), static_cast<size_t>(length));
        leftover.remove(0, length);
        return length;
    }
    int handed = static_cast<int>(leftover.size());
    if (handed > 0)
        std::memcpy(destination, leftover.constData(), static_cast<size_t>(handed));
    leftover.clear();

    // Reports that carry nothing for us (another identifier, empty payload) do not
    // count as arrivals, so a stream of them cannot stretch the wait.
    QElapsedTimer sinceUseful;
    sinceUseful.start();
    QByteArray report;
    while (handed < length) {
        if (!IsOpen())
            return 0;
        // Once something is in, a read that is not to wait for quiet takes only what is there.
        const int wait = !untilQuiet && handed > 0 ? 0 : record.readTimeout;
        const int remainingWait = std::max(0, wait - static_cast<int>(sinceUseful.elapsed()));
        const int got = nextReport(record, report, remainingWait);
        // Whatever was handed over (leftover included) is good and goes to the caller; a
        // failed connection stays failed, so the next read reports the error.
        if (got <= 0)
            return handed;
        if (report.size() < 2 || static_cast<quint8>(report.at(0)) != ReportId) {
            if (sinceUseful.elapsed() > wait)
                return handed;
            continue;
        }
        // Never more than the payload field holds, whatever the length byte claims.
        const int n = std::min({static_cast<int>(static_cast<quint8>(report.at(1))), MaxPayload,
                                static_cast<int>(report.size()) - 2});
        if (n <= 0) {
            if (sinceUseful.elapsed() > wait)
                return handed;
            continue;
        }
        sinceUseful.restart();
        const int wanted = length - handed;
        if (n > wanted) {
            std::memcpy(destination + handed, report.constData() + 2, static_cast<size_t>(wanted));
            leftover = report.mid(2 + wanted, n - wanted);
            return length;
        }
        std::memcpy(destination + handed, report.constData() + 2, static_cast<size_t>(n));
        handed += n;
    }
    return length;
}

bool libHidDevice::WaitForInput(int timeoutMs)
{
    if (!IsOpen())
        return false;
    DeviceRecord &record = *m_record;
    if (!record.drain)
        return true;
    if (record.hasLeftover.load())
        return true;
    return record.drain->waitForReport(timeoutMs) || record.hasLeftover.load();
}

void libHidDevice::WakeInputWaiters()
{
    if (m_record && m_record->drain)
        m_record->drain->wake();
}

int libHidDevice::nextReport(DeviceRecord &record, QByteArray &report, int timeoutMs)
{
    return record.drain ? record.drain->take(report, timeoutMs)
                        : record.connection->readReport(report, timeoutMs);
}

bool libHidDevice::IsRemoved() const
{
    if (!m_record || !m_record->open || !m_record->connection)
        return true;
    return m_record->connection->isRemoved();
}
