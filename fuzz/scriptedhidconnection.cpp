#include "scriptedhidconnection.h"

#include <algorithm>

ScriptedHidConnection::ScriptedHidConnection(const QByteArray &script) : m_script(script) {}

int ScriptedHidConnection::writeReport(const QByteArray &report, int)
{
    return m_removed ? -1 : static_cast<int>(report.size());
}

int ScriptedHidConnection::readReport(QByteArray &report, int)
{
    report.clear();
    if (exhausted()) {
        m_removed = true;
        return 0;
    }
    const qsizetype length = std::min<qsizetype>(static_cast<quint8>(m_script.at(m_position)),
                                                 m_script.size() - m_position - 1);
    report = m_script.mid(m_position + 1, length);
    m_position += 1 + length;
    return static_cast<int>(length);
}

bool ScriptedHidConnection::isRemoved() const
{
    return m_removed;
}

QString ScriptedHidConnection::serialNumber() const
{
    return QStringLiteral("fuzz");
}

bool ScriptedHidConnection::exhausted() const
{
    return m_position >= m_script.size();
}

QByteArray ScriptedHidConnection::expectedPayload(const QByteArray &script)
{
    QByteArray payload;
    qsizetype position = 0;
    while (position < script.size()) {
        const qsizetype length = std::min<qsizetype>(static_cast<quint8>(script.at(position)),
                                                     script.size() - position - 1);
        const QByteArray report = script.mid(position + 1, length);
        position += 1 + length;
        if (report.size() < 2 || static_cast<quint8>(report.at(0)) != 0x3F)
            continue;
        const qsizetype n =
            std::min<qsizetype>({static_cast<quint8>(report.at(1)), 62, report.size() - 2});
        payload.append(report.constData() + 2, n);
    }
    return payload;
}
