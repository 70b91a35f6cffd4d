#pragma once

#include "devicemonitor.h"

class VirtualInstrument;

// Plugging and unplugging the virtual instrument raise the same notices as udev.
class VirtualDeviceMonitor : public DeviceMonitor
{
    Q_OBJECT

public:
    explicit VirtualDeviceMonitor(VirtualInstrument *instrument, QObject *parent = nullptr);
};
