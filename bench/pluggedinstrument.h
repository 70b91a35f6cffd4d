#pragma once

#include "devicemonitor.h"
#include "mainwindow.h"
#include "userprompts.h"
#include "virtualdevicemonitor.h"
#include "virtualhidbackend.h"
#include "virtualinstrument.h"

#include <QStringList>

// A virtual instrument plugged in for the main window, with every prompt recorded instead
// of shown. Undone, main window included, when it goes.
class PluggedInstrument
{
public:
    explicit PluggedInstrument(VirtualInstrument *instrument)
        : m_instrument(instrument), m_backend(instrument)
    {
        UserPrompts::setHandler([this](const UserPrompts::Prompt &prompt) {
            prompts.append(prompt.text);
            return UserPrompts::Answer{};
        });
        HidBackend::setCurrent(&m_backend);
        DeviceMonitor::setFactory([this](QObject *parent) -> DeviceMonitor * {
            return new VirtualDeviceMonitor(m_instrument, parent);
        });
    }
    ~PluggedInstrument()
    {
        MainWindow::destroyInstance();
        m_backend.setInstrument(nullptr);
        HidBackend::setCurrent(nullptr);
        DeviceMonitor::setFactory({});
        UserPrompts::setHandler({});
    }
    PluggedInstrument(const PluggedInstrument &) = delete;
    PluggedInstrument &operator=(const PluggedInstrument &) = delete;

    // The texts of the prompts shown so far.
    QStringList prompts;

private:
    VirtualInstrument *m_instrument;
    VirtualHidBackend m_backend;
};
