#pragma once

#include "hidbackend.h"

// Real instruments through hidapi's hidraw backend.
class HidApiBackend : public HidBackend
{
public:
    HidApiBackend();
    ~HidApiBackend() override;

    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override;
    std::unique_ptr<HidConnection> open(const QString &path, OpenError *error = nullptr) override;

private:
    bool m_initialised = false;
};
