#pragma once

#include "hidbackend.h"

#include <QPointer>

class VirtualInstrument;

// Offers one virtual instrument as the HID interface vid 0x2047 / pid 0x0301.
// Paths name the instrument's plug generation, so a path taken before a re-plug
// no longer opens.
class VirtualHidBackend : public HidBackend
{
public:
    explicit VirtualHidBackend(VirtualInstrument *instrument = nullptr);

    // Not owned; null offers no device.
    void setInstrument(VirtualInstrument *instrument);
    VirtualInstrument *instrument() const;

    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override;
    std::unique_ptr<HidConnection> open(const QString &path, OpenError *error = nullptr) override;

private:
    QPointer<VirtualInstrument> m_instrument;
};
