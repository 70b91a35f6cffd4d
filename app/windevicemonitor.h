#pragma once

#include "devicemonitor.h"
#include "win32hidcalls.h"

#include <QList>

// The device-change notices of a window on Windows: its handle is registered for the arrival
// and removal of the interfaces of four classes (USB device, disk, HID, network adapter).
// The messages then come to the window itself (MainWindow::winEvent), not to this object.
class WinDeviceMonitor : public DeviceMonitor
{
    Q_OBJECT

public:
    // The classes whose interface notices the window asks for.
    static const QList<GUID> &interfaceClasses();

    // Registers `parent` when it is a window; the registrations end with this object.
    explicit WinDeviceMonitor(QObject *parent,
                              const Win32HidCalls &calls = Win32HidCalls::system());
    ~WinDeviceMonitor() override;

    // How many of the classes were registered.
    int registrations() const { return static_cast<int>(m_notifications.size()); }

private:
    Win32HidCalls m_calls;
    QList<HDEVNOTIFY> m_notifications;
};
