#pragma once

#include <QObject>
#include <functional>

// Tells the main window that some device arrived or went; the window then checks
// whether it concerns the instrument.
class DeviceMonitor : public QObject
{
    Q_OBJECT

public:
    using Factory = std::function<DeviceMonitor *(QObject *parent)>;

    explicit DeviceMonitor(QObject *parent = nullptr);
    ~DeviceMonitor() override;

    // The monitor the main window creates; the system's unless another factory is set.
    static DeviceMonitor *create(QObject *parent);
    // The system's own notices (each system's monitor file).
    static DeviceMonitor *createSystem(QObject *parent);
    static void setFactory(Factory factory);

signals:
    void deviceArrived();
    void deviceRemoved();
};
