#pragma once

#include "hidconnection.h"

#include <QPointer>
#include <QString>
#include <atomic>

class VirtualInstrument;

// An open handle on a virtual instrument, valid for the plug generation it was opened in.
// The instrument must outlive any call in progress on the connection.
class VirtualHidConnection : public HidConnection
{
public:
    VirtualHidConnection(VirtualInstrument *instrument, quint64 generation);

    int writeReport(const QByteArray &report, int timeoutMs) override;
    int readReport(QByteArray &report, int timeoutMs) override;
    bool isRemoved() const override;
    void cancelRead() override;
    QString serialNumber() const override;

private:
    QPointer<VirtualInstrument> m_instrument;
    const quint64 m_generation;
    const QString m_serial;
    std::atomic<bool> m_cancelled{false};
};
