#include "hidhost.h"

#include "hidbackend.h"
#include "hidconnection.h"

std::unique_ptr<HidConnection> HidHost::open(HidBackend &backend)
{
    const QList<HidDeviceInfo> devices = backend.enumerate(VendorId, ProductId);
    if (devices.size() != 1)
        return nullptr;
    return backend.open(devices.first().path);
}

bool HidHost::send(const QByteArray &payload)
{
    for (qsizetype at = 0; at < payload.size(); at += 62) {
        if (m_connection.writeReport(report(0x3F, payload.mid(at, 62)), 1000) != 64)
            return false;
    }
    return true;
}

QByteArray HidHost::report(char id, const QByteArray &payload)
{
    const QByteArray part = payload.left(62);
    QByteArray r(64, '\0');
    r[0] = id;
    r[1] = static_cast<char>(part.size());
    r.replace(2, part.size(), part);
    return r;
}

QList<QByteArray> HidHost::drain(int timeoutMs)
{
    QList<QByteArray> reports;
    QByteArray report;
    while (m_connection.readReport(report, timeoutMs) > 0)
        reports.append(report);
    return reports;
}

QByteArray HidHost::exchange(const QByteArray &request)
{
    if (!send(request))
        return QByteArray("send failed");
    return payloadOf(drain());
}

QByteArray HidHost::payloadOf(const QByteArray &report)
{
    if (report.size() < 2 || static_cast<quint8>(report.at(0)) != 0x3F ||
        static_cast<quint8>(report.at(1)) > 62)
        return QByteArray();
    return report.mid(2, static_cast<quint8>(report.at(1)));
}

QByteArray HidHost::payloadOf(const QList<QByteArray> &reports)
{
    QByteArray out;
    for (const QByteArray &report : reports)
        out += payloadOf(report);
    return out;
}
