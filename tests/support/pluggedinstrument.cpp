#include "pluggedinstrument.h"

#include "devicemonitor.h"
#include "mainwindow.h"
#include "virtualdevicemonitor.h"

PluggedInstrument::PluggedInstrument(VirtualInstrument *instrument)
{
    plug(instrument);
    HidBackend::setCurrent(&m_backend);
    DeviceMonitor::setFactory([this](QObject *parent) -> DeviceMonitor * {
        return new VirtualDeviceMonitor(m_instrument, parent);
    });
}

PluggedInstrument::~PluggedInstrument()
{
    reset();
    HidBackend::setCurrent(nullptr);
    DeviceMonitor::setFactory({});
}

VirtualInstrument *PluggedInstrument::create(VirtualInstrument::Family family, quint32 model)
{
    m_owned.push_back(std::make_unique<VirtualInstrument>(family, model));
    return m_owned.back().get();
}

VirtualInstrument *PluggedInstrument::adopt(VirtualInstrument *instrument)
{
    m_owned.emplace_back(instrument);
    return instrument;
}

void PluggedInstrument::plug(VirtualInstrument *instrument)
{
    m_instrument = instrument;
    m_backend.setInstrument(instrument);
}

MainWindow *PluggedInstrument::start(VirtualInstrument *instrument)
{
    MainWindow::destroyInstance();
    // Every start is a first start: what a test's window kept never reaches the next test.
    MainWindow::forgetKept();
    plug(instrument);
    return MainWindow::instance();
}

void PluggedInstrument::reset()
{
    MainWindow::destroyInstance();
    plug(nullptr);
    m_owned.clear();
}
