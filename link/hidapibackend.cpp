#include "hidapibackend.h"
#include "hidapiconnection.h"
#include "hidrawconnection.h"

#include <cerrno>
#include <hidapi.h>
#include <unistd.h>

HidBackend *HidBackend::system()
{
    static HidApiBackend hidapi;
    return &hidapi;
}

std::function<bool()> HidApiBackend::nodeGone(const QString &path, const PosixIo &io)
{
    const QByteArray node = path.toLocal8Bit();
    struct stat st {
    };
    if (io.stat(node.constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return {}; // not a device node: the failed reads tell
    const dev_t rdev = st.st_rdev;
    return [io, node, rdev] {
        struct stat now {
        };
        return io.stat(node.constData(), &now) != 0 || !S_ISCHR(now.st_mode) || now.st_rdev != rdev;
    };
}

HidApiBackend::HidApiBackend(const HidApiCalls &hid, const PosixIo &io, Io mode)
    : m_hid(hid), m_io(io), m_mode(mode)
{
    m_initialised = m_hid.init() == 0;
}

HidApiBackend::~HidApiBackend()
{
    if (m_initialised)
        m_hid.exit();
}

QList<HidDeviceInfo> HidApiBackend::list(quint16 vendorId, quint16 productId)
{
    const QList<HidDeviceInfo> found = m_hid.devices(vendorId, productId);
    QMutexLocker lock(&m_mutex);
    for (const HidDeviceInfo &info : found)
        m_serials.insert(info.path, info.serial);
    return found;
}

QList<HidDeviceInfo> HidApiBackend::enumerate(quint16 vendorId, quint16 productId)
{
    if (!m_initialised)
        return {};
    return list(vendorId, productId);
}

// The serial hidapi found for the interface at `path` (hidraw reads no strings itself).
QString HidApiBackend::serialOf(const QString &path)
{
    {
        QMutexLocker lock(&m_mutex);
        const auto known = m_serials.constFind(path);
        if (known != m_serials.constEnd())
            return known.value();
    }
    for (const HidDeviceInfo &info : list(0, 0)) {
        if (info.path == path)
            return info.serial;
    }
    return QString();
}

std::unique_ptr<HidConnection> HidApiBackend::open(const QString &path, OpenError *error)
{
    auto fail = [error](OpenError why) {
        if (error)
            *error = why;
        return std::unique_ptr<HidConnection>();
    };
    if (!m_initialised)
        return fail(OpenError::Failed);
    const QByteArray nativePath = path.toLocal8Bit();
    if (m_io.access(nativePath.constData(), F_OK) != 0)
        return fail(OpenError::NotFound);
    if (m_io.access(nativePath.constData(), R_OK | W_OK) != 0 && errno == EACCES)
        return fail(OpenError::PermissionDenied);

    if (m_mode == Io::Hidraw) {
        OpenError why = OpenError::Failed;
        std::unique_ptr<HidrawConnection> connection =
            HidrawConnection::open(path, serialOf(path), &why, m_io);
        if (error)
            *error = why;
        return connection;
    }

    hid_device *device = m_hid.openPath(nativePath.constData());
    if (!device)
        return fail(errno == EBUSY ? OpenError::Busy : OpenError::Failed);
    wchar_t serial[64] = {};
    QString serialText;
    if (m_hid.getSerialNumberString(device, serial, 63) == 0)
        serialText = QString::fromWCharArray(serial);
    if (error)
        *error = OpenError::None;
    return std::make_unique<HidApiConnection>(device, serialText, m_hid, nodeGone(path, m_io));
}
