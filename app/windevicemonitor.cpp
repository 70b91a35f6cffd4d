#include "windevicemonitor.h"

#include <QDebug>
#include <QWidget>

const QList<GUID> &WinDeviceMonitor::interfaceClasses()
{
    static const QList<GUID> classes = {
        // USB device
        {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}},
        // disk
        {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}},
        // HID
        {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}},
        // network adapter
        {0xAD498944, 0x762F, 0x11D0, {0x8D, 0xCB, 0x00, 0xC0, 0x4F, 0xC3, 0x35, 0x8C}},
    };
    return classes;
}

DeviceMonitor *DeviceMonitor::createSystem(QObject *parent)
{
    return new WinDeviceMonitor(parent);
}

WinDeviceMonitor::WinDeviceMonitor(QObject *parent, const Win32HidCalls &calls)
    : DeviceMonitor(parent), m_calls(calls)
{
    auto *window = qobject_cast<QWidget *>(parent);
    if (!window)
        return;
    const auto handle = reinterpret_cast<HANDLE>(window->winId());
    for (const GUID &interfaceClass : interfaceClasses()) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = interfaceClass;
        const HDEVNOTIFY notification =
            m_calls.registerDeviceNotification(handle, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        if (notification)
            m_notifications << notification;
        else
            qDebug() << "注册失败";
    }
}

WinDeviceMonitor::~WinDeviceMonitor()
{
    for (HDEVNOTIFY notification : m_notifications)
        m_calls.unregisterDeviceNotification(notification);
}
