#pragma once

#include "hidapicalls.h"
#include "hidbackend.h"

// Real instruments on Windows through hidapi's Windows backend: enumeration, open and its
// own overlapped I/O, each report wait bounded by hidapi's time-outs.
class WinHidApiBackend : public HidBackend
{
public:
    explicit WinHidApiBackend(const HidApiCalls &hid = HidApiCalls::system());
    ~WinHidApiBackend() override;

    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override;
    std::unique_ptr<HidConnection> open(const QString &path, OpenError *error = nullptr) override;

private:
    HidApiCalls m_hid;
    bool m_initialised = false;
};
