#include "hidapibackend.h"
#include "hidapiconnection.h"

#include <cerrno>
#include <hidapi.h>
#include <unistd.h>

HidApiBackend::HidApiBackend()
{
    m_initialised = hid_init() == 0;
}

HidApiBackend::~HidApiBackend()
{
    if (m_initialised)
        hid_exit();
}

QList<HidDeviceInfo> HidApiBackend::enumerate(quint16 vendorId, quint16 productId)
{
    QList<HidDeviceInfo> found;
    if (!m_initialised)
        return found;
    hid_device_info *list = hid_enumerate(vendorId, productId);
    for (hid_device_info *d = list; d; d = d->next) {
        HidDeviceInfo info;
        info.path = QString::fromLocal8Bit(d->path ? d->path : "");
        info.serial = d->serial_number ? QString::fromWCharArray(d->serial_number) : QString();
        info.interfaceNumber = d->interface_number;
        info.vendorId = d->vendor_id;
        info.productId = d->product_id;
        found.append(info);
    }
    hid_free_enumeration(list);
    return found;
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
    if (::access(nativePath.constData(), F_OK) != 0)
        return fail(OpenError::NotFound);
    if (::access(nativePath.constData(), R_OK | W_OK) != 0 && errno == EACCES)
        return fail(OpenError::PermissionDenied);
    hid_device *device = hid_open_path(nativePath.constData());
    if (!device)
        return fail(errno == EBUSY ? OpenError::Busy : OpenError::Failed);

    wchar_t serial[64] = {};
    QString serialText;
    if (hid_get_serial_number_string(device, serial, 63) == 0)
        serialText = QString::fromWCharArray(serial);
    if (error)
        *error = OpenError::None;
    return std::make_unique<HidApiConnection>(device, path, serialText);
}
