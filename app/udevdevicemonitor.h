#pragma once

#include "devicemonitor.h"

struct udev;
struct udev_monitor;
struct udev_device;
class QSocketNotifier;

// The libudev calls of the monitor, one pointer per call, so that tests can put scripted
// stand-ins in their place.
struct UdevCalls {
    struct udev *(*newContext)();
    struct udev *(*unrefContext)(struct udev *context);
    struct udev_monitor *(*newMonitor)(struct udev *context, const char *source);
    struct udev_monitor *(*unrefMonitor)(struct udev_monitor *monitor);
    int (*addMatch)(struct udev_monitor *monitor, const char *subsystem, const char *devtype);
    int (*enableReceiving)(struct udev_monitor *monitor);
    int (*getFd)(struct udev_monitor *monitor);
    struct udev_device *(*receiveDevice)(struct udev_monitor *monitor);
    const char *(*subsystem)(struct udev_device *device);
    const char *(*action)(struct udev_device *device);
    struct udev_device *(*unrefDevice)(struct udev_device *device);
    // Whether a file exists (the udev daemon's control socket).
    bool (*exists)(const char *path);

    // libudev's own functions.
    static const UdevCalls &system();
};

// hidraw arrivals and removals from udev.
class UdevDeviceMonitor : public DeviceMonitor
{
    Q_OBJECT

public:
    explicit UdevDeviceMonitor(QObject *parent = nullptr,
                               const UdevCalls &calls = UdevCalls::system());
    ~UdevDeviceMonitor() override;

    bool isListening() const { return m_notifier != nullptr; }

private:
    void receive();

    UdevCalls m_calls;
    struct udev *m_udev = nullptr;
    struct udev_monitor *m_monitor = nullptr;
    QSocketNotifier *m_notifier = nullptr;
};
