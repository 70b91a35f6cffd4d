#include "windevicemonitor.h"

#include <QDebug>

#include <windows.h>

#include <dbt.h>

namespace {

const wchar_t *const ClassName = L"SolvaneDeviceMonitor";
// The HID interface class.
const GUID HidInterface = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

LRESULT CALLBACK monitorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DEVICECHANGE) {
        auto *monitor =
            reinterpret_cast<WinDeviceMonitor *>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (monitor)
            monitor->handleDeviceChange(wParam);
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

DeviceMonitor *DeviceMonitor::createSystem(QObject *parent)
{
    return new WinDeviceMonitor(parent);
}

WinDeviceMonitor::WinDeviceMonitor(QObject *parent) : DeviceMonitor(parent)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = monitorProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = ClassName;
    RegisterClassExW(&windowClass); // fails harmlessly when a monitor registered it before
    HWND window =
        CreateWindowExW(0, ClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (!window) {
        qDebug() << "device notices: no message window, error" << GetLastError();
        return;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_window = window;

    DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = HidInterface;
    m_notification = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!m_notification)
        qDebug() << "device notices: registration failed, error" << GetLastError();
}

WinDeviceMonitor::~WinDeviceMonitor()
{
    if (m_notification)
        UnregisterDeviceNotification(static_cast<HDEVNOTIFY>(m_notification));
    if (m_window)
        DestroyWindow(static_cast<HWND>(m_window));
}

void WinDeviceMonitor::handleDeviceChange(quintptr event)
{
    if (event == DBT_DEVICEARRIVAL)
        emit deviceArrived();
    else if (event == DBT_DEVICEREMOVECOMPLETE)
        emit deviceRemoved();
}
