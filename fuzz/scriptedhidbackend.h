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

    // The one backend of a fuzz run, made the current one; the first call also silences the
    // link's log, whose lines for every open and failed read would only slow the runs down.
    static ScriptedHidBackend &installed();

    void setScript(const QByteArray &script);
    // The connection opened last; owned by whoever opened it.
    ScriptedHidConnection *connection() const;

    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override;
    std::unique_ptr<HidConnection> open(const QString &path, OpenError *error = nullptr) override;

private:
    QByteArray m_script;
    ScriptedHidConnection *m_connection = nullptr;
};
