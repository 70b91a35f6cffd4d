#include "hidapiconnection.h"

#include <hidapi.h>
#include <sys/stat.h>

HidApiConnection::HidApiConnection(hid_device *device, const QString &path, const QString &serial)
    : m_device(device), m_path(path), m_serial(serial)
{
    struct stat st {};
    if (::stat(m_path.toLocal8Bit().constData(), &st) == 0 && S_ISCHR(st.st_mode)) {
        m_haveNode = true;
        m_rdev = st.st_rdev;
    }
}

HidApiConnection::~HidApiConnection()
{
    if (m_device)
        hid_close(m_device);
}

int HidApiConnection::writeReport(const QByteArray &report, int timeoutMs)
{
    Q_UNUSED(timeoutMs); // hidraw output reports are queued by the kernel and do not block long
    if (!m_device || report.isEmpty())
        return -1;
    const int written = hid_write(m_device, reinterpret_cast<const unsigned char *>(report.constData()),
                                  static_cast<size_t>(report.size()));
    return written < 0 ? -1 : written;
}

int HidApiConnection::readReport(QByteArray &report, int timeoutMs)
{
    if (!m_device)
        return -1;
    unsigned char buffer[256];
    const int got = hid_read_timeout(m_device, buffer, sizeof buffer, timeoutMs < 0 ? 0 : timeoutMs);
    if (got <= 0) {
        report.clear();
        return got < 0 ? -1 : 0;
    }
    report = QByteArray(reinterpret_cast<const char *>(buffer), got);
    return got;
}

bool HidApiConnection::isRemoved() const
{
    if (!m_device)
        return true;
    if (!m_haveNode)
        return false; // not a device node (another backend's path): cannot tell, assume present
    struct stat st {};
    if (::stat(m_path.toLocal8Bit().constData(), &st) != 0)
        return true;
    return !S_ISCHR(st.st_mode) || st.st_rdev != m_rdev;
}
