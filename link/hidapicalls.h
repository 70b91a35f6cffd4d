#pragma once

#include "hidbackend.h"

#include <cstddef>
#include <cwchar>

struct hid_device_;
struct hid_device_info;

// The hidapi calls of the real-device code, one pointer per call, so that tests can put
// scripted stand-ins in their place.
struct HidApiCalls {
    int (*init)();
    int (*exit)();
    hid_device_info *(*enumerate)(unsigned short vendorId, unsigned short productId);
    void (*freeEnumeration)(hid_device_info *list);
    hid_device_ *(*openPath)(const char *path);
    void (*close)(hid_device_ *device);
    int (*write)(hid_device_ *device, const unsigned char *data, size_t length);
    int (*readTimeout)(hid_device_ *device, unsigned char *data, size_t length, int milliseconds);
    int (*getSerialNumberString)(hid_device_ *device, wchar_t *string, size_t maxLength);

    // The interfaces enumerate() finds, as the backends hand them on.
    QList<HidDeviceInfo> devices(unsigned short vendorId, unsigned short productId) const;

    // hidapi's own functions.
    static const HidApiCalls &system();
};
