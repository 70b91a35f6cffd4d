#pragma once

#include "hidconnection.h"

#include <QByteArray>
#include <QString>

// Plays input reports from a script: each entry is one length byte L and L report bytes.
// L = 0 is a read that gets nothing in time. A read past the end of the script gets
// nothing either, and from then on the device counts as removed, so the link gives up at
// once instead of sleeping out its report wait. Nothing here ever sleeps.
class ScriptedHidConnection : public HidConnection
{
public:
    explicit ScriptedHidConnection(const QByteArray &script);

    int writeReport(const QByteArray &report, int timeoutMs) override;
    int readReport(QByteArray &report, int timeoutMs) override;
    bool isRemoved() const override;
    QString serialNumber() const override;

    bool exhausted() const;
    // The payload bytes the transport is meant to deliver: of every report with
    // identifier 0x3F, its first min(length byte, 62) payload bytes, in order.
    static QByteArray expectedPayload(const QByteArray &script);

private:
    QByteArray m_script;
    qsizetype m_position = 0;
    bool m_removed = false;
};
