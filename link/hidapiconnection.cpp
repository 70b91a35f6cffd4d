#include "hidapiconnection.h"
#include "hidhandlelock.h"

#include <algorithm>
#include <atomic>

// Shared by the connection and a write still running: the device closes when both are done.
struct HidApiConnection::Handle {
    HidApiCalls hid;
    hid_device_ *device = nullptr;
    std::atomic<bool> failed{false};

    ~Handle()
    {
        if (device)
            hid.close(device);
    }
};

HidApiConnection::HidApiConnection(hid_device_ *device, const QString &path, const QString &serial,
                                   const HidApiCalls &hid, const PosixIo &io)
    : m_handle(std::make_shared<Handle>()), m_serial(serial), m_io(io), m_path(path.toLocal8Bit()),
      m_lock(std::make_shared<HidHandleLock>()),
      m_writer(std::make_unique<HidDeadlineWriter>(m_lock))
{
    m_handle->hid = hid;
    m_handle->device = device;
    struct stat st {
    };
    if (m_io.stat(m_path.constData(), &st) == 0 && S_ISCHR(st.st_mode)) {
        m_haveNode = true;
        m_rdev = st.st_rdev;
    }
}

HidApiConnection::~HidApiConnection() = default;

int HidApiConnection::writeReport(const QByteArray &report, int timeoutMs)
{
    if (!m_handle->device || report.isEmpty() || m_handle->failed)
        return -1;
    std::shared_ptr<Handle> handle = m_handle;
    return m_writer->write(
        [handle, report](HidHandleLock::Clock::time_point) {
            const int written = handle->hid.write(
                handle->device, reinterpret_cast<const unsigned char *>(report.constData()),
                static_cast<size_t>(report.size()));
            return written < 0 ? -1 : written;
        },
        HidDeadline::after(timeoutMs));
}

int HidApiConnection::readReport(QByteArray &report, int timeoutMs)
{
    report.clear();
    if (!m_handle->device)
        return -1;
    const auto deadline = HidDeadline::after(timeoutMs);
    unsigned char buffer[ReadBufferSize];
    for (;;) {
        if (m_handle->failed)
            return -1;
        if (!m_lock->lockForRead(deadline))
            return 0; // a write had the device all along
        const int slice = std::min(HidDeadline::remainingMs(deadline), ReadSliceMs);
        const int got = m_handle->hid.readTimeout(m_handle->device, buffer, sizeof buffer, slice);
        m_lock->unlock();
        if (got > 0) {
            report = QByteArray(reinterpret_cast<const char *>(buffer), got);
            return got;
        }
        if (got < 0) {
            // hidapi gives up on a device for good (it has gone, or its handle broke).
            m_handle->failed = true;
            return -1;
        }
        if (HidDeadline::remainingMs(deadline) == 0)
            return 0;
    }
}

bool HidApiConnection::isRemoved() const
{
    if (!m_handle->device || m_handle->failed)
        return true;
    if (!m_haveNode)
        return false; // not a device node (another system's path): the failed reads tell
    struct stat st {
    };
    // Gone once is gone for good, even if a node of the same number comes back.
    if (m_io.stat(m_path.constData(), &st) != 0 || !S_ISCHR(st.st_mode) || st.st_rdev != m_rdev)
        m_handle->failed = true;
    return m_handle->failed;
}
