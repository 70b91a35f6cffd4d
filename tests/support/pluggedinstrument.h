#pragma once

#include "virtualhidbackend.h"
#include "virtualinstrument.h"

#include <memory>
#include <vector>

class MainWindow;

// The virtual instrument behind the HID seam and the device monitor, for main windows made
// while this lives. Undoes everything, main window included, when it goes.
class PluggedInstrument
{
public:
    explicit PluggedInstrument(VirtualInstrument *instrument = nullptr);
    ~PluggedInstrument();
    PluggedInstrument(const PluggedInstrument &) = delete;
    PluggedInstrument &operator=(const PluggedInstrument &) = delete;

    // An instrument kept until reset(); not plugged yet.
    VirtualInstrument *create(VirtualInstrument::Family family, quint32 model);
    // Takes this one over, the same way.
    VirtualInstrument *adopt(VirtualInstrument *instrument);
    // Plugs this instrument (or none) in: the backend opens it from now on, and the monitor
    // of the next window watches it.
    void plug(VirtualInstrument *instrument);
    // A fresh main window started with this instrument plugged in (or none), as on the
    // program's first start: no language or size kept.
    MainWindow *start(VirtualInstrument *instrument);
    // No window, no instrument; the instruments made by create() are gone.
    void reset();

    VirtualInstrument *instrument() const { return m_instrument; }
    VirtualHidBackend &backend() { return m_backend; }

private:
    VirtualInstrument *m_instrument = nullptr;
    VirtualHidBackend m_backend;
    std::vector<std::unique_ptr<VirtualInstrument>> m_owned;
};
