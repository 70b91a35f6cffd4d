#pragma once

#include <QByteArray>
#include <QList>
#include <memory>

class HidConnection;
class HidBackend;

// The host side of the wire at the level of whole HID reports: payloads go out in 64-byte
// output reports of 62 payload bytes, input reports are read back and unpacked.
class HidHost
{
public:
    static constexpr quint16 VendorId = 0x2047;
    static constexpr quint16 ProductId = 0x0301;

    explicit HidHost(HidConnection &connection) : m_connection(connection) {}

    // The one instrument the backend offers, opened; null when there is not exactly one.
    static std::unique_ptr<HidConnection> open(HidBackend &backend);

    bool send(const QByteArray &payload);
    // Every input report readable within `timeoutMs` of the previous one.
    QList<QByteArray> drain(int timeoutMs = 0);
    // Sends the request and returns the payload of what came back.
    QByteArray exchange(const QByteArray &request);

    // A 64-byte report: the id, the payload's length and the payload (62 bytes at most).
    static QByteArray report(char id, const QByteArray &payload);
    // The payload field of an input report; empty for a report of another kind.
    static QByteArray payloadOf(const QByteArray &report);
    static QByteArray payloadOf(const QList<QByteArray> &reports);

private:
    HidConnection &m_connection;
};
