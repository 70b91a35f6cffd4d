#pragma once

#include "linkexchange.h"
#include "recording.h"
#include "virtualhidbackend.h"

#include <QCoreApplication>
#include <QString>
#include <memory>

class CLinkerUSB;
class VirtualInstrument;

// The instrument solvane-cli talks to: the demo one, or the first real one plugged in. It is
// the program's frame exchange while it lives, so the protocol and the downloads reach it.
class CliInstrument
{
    Q_DECLARE_TR_FUNCTIONS(CliInstrument)

public:
    // `demo`: empty for a real instrument, otherwise "meter" or "logger".
    explicit CliInstrument(const QString &demo);
    ~CliInstrument();
    CliInstrument(const CliInstrument &) = delete;
    CliInstrument &operator=(const CliInstrument &) = delete;

    // Opens the link and reads the instrument's identity. False with the text the window
    // would show (or a clear one where the window shows none).
    bool open(QString *error);
    // Serial, model, firmware and dates, as read by open(); family set.
    const Recording &identity() const { return m_identity; }
    bool isLogger() const { return m_identity.family == Recording::Family::Logger; }
    // The instrument has gone (no monitor tells a command line; the link knows).
    bool removed() const;

    // The text for a failed request/reply operation, as the window words it.
    static QString failureText(int code);

private:
    std::unique_ptr<VirtualInstrument> m_demo;
    VirtualHidBackend m_backend;
    LinkExchange m_exchange;
    std::unique_ptr<CLinkerUSB> m_link;
    Recording m_identity;
};
