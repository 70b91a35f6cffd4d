#include "hidapibackend.h"
#include "hidapiconnection.h"
#include "hidrawconnection.h"

#include <cerrno>
#include <hidapi.h>
#include <unistd.h>

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
    QList<HidDeviceInfo> found;
    hid_device_info *devices = m_hid.enumerate(vendorId, productId);
    for (hid_device_info *d = devices; d; d = d->next) {
        HidDeviceInfo info;
        info.path = QString::fromLocal8Bit(d->path ? d->path : "");
        info.serial = d->serial_number ? QString::fromWCharArray(d->serial_number) : QString();
        info.interfaceNumber = d->interface_number;
        info.vendorId = d->vendor_id;
        info.productId = d->product_id;
        found.append(info);
    }
    m_hid.freeEnumeration(devices);
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
    return std::make_unique<HidApiConnection>(device, path, serialText, m_hid, m_io);
}
