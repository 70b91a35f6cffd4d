#include "hidapicalls.h"

#include <hidapi.h>

const HidApiCalls &HidApiCalls::system()
{
    static const HidApiCalls calls{
        hid_init,  hid_exit,  hid_enumerate,    hid_free_enumeration,        hid_open_path,
        hid_close, hid_write, hid_read_timeout, hid_get_serial_number_string};
    return calls;
}

QList<HidDeviceInfo> HidApiCalls::devices(unsigned short vendorId, unsigned short productId) const
{
    QList<HidDeviceInfo> found;
    hid_device_info *list = enumerate(vendorId, productId);
    for (hid_device_info *d = list; d; d = d->next) {
        HidDeviceInfo info;
        info.path = QString::fromLocal8Bit(d->path ? d->path : "");
        info.serial = d->serial_number ? QString::fromWCharArray(d->serial_number) : QString();
        info.interfaceNumber = d->interface_number;
        info.vendorId = d->vendor_id;
        info.productId = d->product_id;
        found.append(info);
    }
    freeEnumeration(list);
    return found;
}
