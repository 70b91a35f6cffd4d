#include "hidapiconnection.h"

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

HidApiConnection::HidApiConnection(hid_device_ *device, const QString &serial,
                                   const HidApiCalls &hid, std::function<bool()> gone)
    : HidSlicedConnection(serial), m_handle(std::make_shared<Handle>()), m_gone(std::move(gone))
{
    m_handle->hid = hid;
    m_handle->device = device;
}

bool HidApiConnection::broken() const
{
    return !m_handle->device || m_handle->failed;
}

HidDeadlineWriter::Job HidApiConnection::writeJob(const QByteArray &report) const
{
    std::shared_ptr<Handle> handle = m_handle;
    return [handle, report](HidHandleLock::Clock::time_point) {
        const int written = handle->hid.write(
            handle->device, reinterpret_cast<const unsigned char *>(report.constData()),
            static_cast<size_t>(report.size()));
        return written < 0 ? -1 : written;
    };
}

int HidApiConnection::readSlice(QByteArray &report, int sliceMs)
{
    unsigned char buffer[ReadBufferSize];
    const int got = m_handle->hid.readTimeout(m_handle->device, buffer, sizeof buffer, sliceMs);
    if (got > 0)
        report = QByteArray(reinterpret_cast<const char *>(buffer), got);
    // hidapi gives up on a device for good (it has gone, or its handle broke).
    if (got < 0)
        m_handle->failed = true;
    return got < 0 ? -1 : got;
}

bool HidApiConnection::isRemoved() const
{
    if (!m_handle->device || m_handle->failed)
        return true;
    // Gone once is gone for good, even if a device of the same name comes back.
    if (m_gone && m_gone())
        m_handle->failed = true;
    return m_handle->failed;
}
