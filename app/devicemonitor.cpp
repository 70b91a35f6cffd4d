#include "devicemonitor.h"

namespace {
DeviceMonitor::Factory &factory()
{
    static DeviceMonitor::Factory f;
    return f;
}
} // namespace

DeviceMonitor::DeviceMonitor(QObject *parent) : QObject(parent) {}

DeviceMonitor::~DeviceMonitor() = default;

DeviceMonitor *DeviceMonitor::create(QObject *parent)
{
    if (factory())
        return factory()(parent);
    return createSystem(parent);
}

void DeviceMonitor::setFactory(Factory f)
{
    factory() = std::move(f);
}
