#include "hostprocess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

namespace {

// "PORT TOKEN" from the file SOLVANE_HOST_BRIDGE names.
bool bridge(quint16 &port, QByteArray &token)
{
    QFile file(qEnvironmentVariable("SOLVANE_HOST_BRIDGE"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> parts = file.readAll().trimmed().split(' ');
    bool ok = false;
    port = parts.size() == 2 ? parts[0].toUShort(&ok) : 0;
    token = parts.value(1);
    return ok;
}

} // namespace

HostProcess::Result HostProcess::run(const QString &program, const QStringList &arguments,
                                     int timeoutMs)
{
    Result result;
    quint16 port = 0;
    QByteArray token;
    if (!bridge(port, token))
        return result;
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(5000))
        return result;
    const QJsonObject request{{QStringLiteral("token"), QString::fromLatin1(token)},
                              {QStringLiteral("program"), program},
                              {QStringLiteral("args"), QJsonArray::fromStringList(arguments)}};
    socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    QByteArray reply;
    while (!reply.endsWith('\n') && socket.waitForReadyRead(timeoutMs))
        reply += socket.readAll();
    const QJsonObject answer = QJsonDocument::fromJson(reply).object();
    if (answer.isEmpty())
        return result;
    result.exitCode = answer.value(QStringLiteral("exit")).toInt(-1);
    result.ran = result.exitCode >= 0;
    result.out =
        QByteArray::fromBase64(answer.value(QStringLiteral("stdout")).toString().toLatin1());
    result.err =
        QByteArray::fromBase64(answer.value(QStringLiteral("stderr")).toString().toLatin1());
    return result;
}

bool HostProcess::available(const QString &program)
{
    QStringList probe;
    if (program == QLatin1String("python3"))
        probe = QStringList{QStringLiteral("-c"), QString()};
    else if (program == QLatin1String("pdftotext"))
        probe = QStringList{QStringLiteral("-v")};
    return run(program, probe).ran;
}
