#pragma once

#include "hidconnection.h"

#include <QString>
#include <sys/types.h>

struct hid_device_;

// A hidraw device opened through hidapi.
class HidApiConnection : public HidConnection
{
public:
    HidApiConnection(hid_device_ *device, const QString &path, const QString &serial);
    ~HidApiConnection() override;

    int writeReport(const QByteArray &report, int timeoutMs) override;
    int readReport(QByteArray &report, int timeoutMs) override;
    bool isRemoved() const override;
    QString serialNumber() const override { return m_serial; }

private:
    hid_device_ *m_device;
    QString m_path;
    QString m_serial;
    // hidapi caches the device's strings at open, so presence is judged by the node itself.
    bool m_haveNode = false;
    dev_t m_rdev = 0;
};
