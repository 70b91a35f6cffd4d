#include "virtualdevicemonitor.h"
#include "virtualinstrument.h"

VirtualDeviceMonitor::VirtualDeviceMonitor(VirtualInstrument *instrument, QObject *parent)
    : DeviceMonitor(parent)
{
    if (!instrument)
        return;
    // The instrument may change state on a reader's thread: notices always arrive queued,
    // as the system's do.
    connect(instrument, &VirtualInstrument::plugged, this, &DeviceMonitor::deviceArrived,
            Qt::QueuedConnection);
    connect(instrument, &VirtualInstrument::unplugged, this, &DeviceMonitor::deviceRemoved,
            Qt::QueuedConnection);
}
