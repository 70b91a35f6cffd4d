#pragma once

#include "hidbackend.h"

#include <QByteArray>

class ScriptedHidConnection;

// One instrument whose connection plays the script set last. Install with HidBackend::setCurrent.
class ScriptedHidBackend : public HidBackend
{
public:
    static constexpr quint16 VendorId = 0x1234;
    static constexpr quint16 ProductId = 0x5678;

    void setScript(const QByteArray &script);
    // The connection opened last; owned by whoever opened it.
    ScriptedHidConnection *connection() const;

    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override;
    std::unique_ptr<HidConnection> open(const QString &path, OpenError *error = nullptr) override;

private:
    QByteArray m_script;
    ScriptedHidConnection *m_connection = nullptr;
};
