#pragma once

#include "devicemonitor.h"

struct udev;
struct udev_monitor;
class QSocketNotifier;

// hidraw arrivals and removals from udev.
class UdevDeviceMonitor : public DeviceMonitor
{
    Q_OBJECT

public:
    explicit UdevDeviceMonitor(QObject *parent = nullptr);
    ~UdevDeviceMonitor() override;

    bool isListening() const { return m_notifier != nullptr; }

private:
    void receive();

    struct udev *m_udev = nullptr;
    struct udev_monitor *m_monitor = nullptr;
    QSocketNotifier *m_notifier = nullptr;
};
