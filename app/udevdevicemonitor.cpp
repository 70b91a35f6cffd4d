#include "udevdevicemonitor.h"

#include <QDebug>
#include <QSocketNotifier>
#include <cstring>
#include <libudev.h>
#include <unistd.h>

namespace {
bool fileExists(const char *path)
{
    return ::access(path, F_OK) == 0;
}
} // namespace

DeviceMonitor *DeviceMonitor::createSystem(QObject *parent)
{
    return new UdevDeviceMonitor(parent);
}

const UdevCalls &UdevCalls::system()
{
    static const UdevCalls calls{udev_new,
                                 udev_unref,
                                 udev_monitor_new_from_netlink,
                                 udev_monitor_unref,
                                 udev_monitor_filter_add_match_subsystem_devtype,
                                 udev_monitor_enable_receiving,
                                 udev_monitor_get_fd,
                                 udev_monitor_receive_device,
                                 udev_device_get_subsystem,
                                 udev_device_get_action,
                                 udev_device_unref,
                                 fileExists};
    return calls;
}

UdevDeviceMonitor::UdevDeviceMonitor(QObject *parent, const UdevCalls &calls)
    : DeviceMonitor(parent), m_calls(calls)
{
    m_udev = m_calls.newContext();
    if (!m_udev)
        return;
    // Without a udev daemon nothing comes through the "udev" source; the kernel's does.
    const char *source = m_calls.exists("/run/udev/control") ? "udev" : "kernel";
    m_monitor = m_calls.newMonitor(m_udev, source);
    if (!m_monitor) {
        qDebug() << "注册失败";
        return;
    }
    // Should the filter not take, receive() still picks the hidraw events out.
    m_calls.addMatch(m_monitor, "hidraw", nullptr);
    if (m_calls.enableReceiving(m_monitor) < 0) {
        qDebug() << "注册失败";
        return;
    }
    const int fd = m_calls.getFd(m_monitor);
    if (fd < 0)
        return;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdevDeviceMonitor::receive);
}

UdevDeviceMonitor::~UdevDeviceMonitor()
{
    delete m_notifier;
    if (m_monitor)
        m_calls.unrefMonitor(m_monitor);
    if (m_udev)
        m_calls.unrefContext(m_udev);
}

void UdevDeviceMonitor::receive()
{
    // Every event waiting, so that none is left for a notification that may not come.
    while (udev_device *device = m_calls.receiveDevice(m_monitor)) {
        const char *subsystem = m_calls.subsystem(device);
        const char *action = m_calls.action(device);
        const bool hidraw = subsystem && std::strcmp(subsystem, "hidraw") == 0;
        if (hidraw && action) {
            if (std::strcmp(action, "add") == 0)
                emit deviceArrived();
            else if (std::strcmp(action, "remove") == 0)
                emit deviceRemoved();
        }
        m_calls.unrefDevice(device);
    }
}
