#pragma once

#include "devicemonitor.h"

#include <QString>

// HID arrivals and removals from Windows: a message-only window registered for the HID
// interface class receives the device-change broadcasts.
class WinDeviceMonitor : public DeviceMonitor
{
    Q_OBJECT

public:
    explicit WinDeviceMonitor(QObject *parent = nullptr);
    ~WinDeviceMonitor() override;

    bool isListening() const { return m_notification != nullptr; }
    // What a device-change message (its wParam) means for the instrument; emits the notice.
    void handleDeviceChange(quintptr event);

private:
    void *m_window = nullptr;       // HWND
    void *m_notification = nullptr; // HDEVNOTIFY
};
