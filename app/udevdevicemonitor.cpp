#include "udevdevicemonitor.h"

#include <QDebug>
#include <QFile>
#include <QSocketNotifier>
#include <cstring>
#include <libudev.h>

UdevDeviceMonitor::UdevDeviceMonitor(QObject *parent) : DeviceMonitor(parent)
{
    m_udev = udev_new();
    if (!m_udev)
        return;
    // Without a udev daemon nothing comes through the "udev" source; the kernel's does.
    const char *source = QFile::exists(QStringLiteral("/run/udev/control")) ? "udev" : "kernel";
    m_monitor = udev_monitor_new_from_netlink(m_udev, source);
    if (!m_monitor) {
        qDebug() << "注册失败";
        return;
    }
    udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr);
    if (udev_monitor_enable_receiving(m_monitor) < 0) {
        qDebug() << "注册失败";
        return;
    }
    const int fd = udev_monitor_get_fd(m_monitor);
    if (fd < 0)
        return;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdevDeviceMonitor::receive);
}

UdevDeviceMonitor::~UdevDeviceMonitor()
{
    delete m_notifier;
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
}

void UdevDeviceMonitor::receive()
{
    udev_device *device = udev_monitor_receive_device(m_monitor);
    if (!device)
        return;
    const char *subsystem = udev_device_get_subsystem(device);
    const char *action = udev_device_get_action(device);
    const bool hidraw = subsystem && std::strcmp(subsystem, "hidraw") == 0;
    if (hidraw && action) {
        if (std::strcmp(action, "add") == 0)
            emit deviceArrived();
        else if (std::strcmp(action, "remove") == 0)
            emit deviceRemoved();
    }
    udev_device_unref(device);
}
