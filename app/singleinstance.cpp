#include "singleinstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QWidget>
#include <memory>

namespace {

constexpr int MaxMessageBytes = 4096;

QString sessionDirectory()
{
#ifdef Q_OS_WIN
    // The user's own temporary folder (the runtime location there is the profile's root).
    return QDir::tempPath();
#else
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
#endif
}

QString userTag()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    return user.isEmpty() ? QStringLiteral("user") : user;
}

} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent) : QObject(parent)
{
    const QString dir = sessionDirectory();
    m_lockPath =
        dir + QLatin1Char('/') + name + QLatin1Char('-') + userTag() + QStringLiteral(".lock");
#ifdef Q_OS_WIN
    m_serverName = name + QLatin1Char('-') + userTag();
#else
    // A path in the user's runtime directory: other users cannot reach it.
    m_serverName =
        dir + QLatin1Char('/') + name + QLatin1Char('-') + userTag() + QStringLiteral(".sock");
#endif
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    m_lock->setStaleLockTime(0); // stale only when its owner is gone
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

bool SingleInstance::isPrimary()
{
    if (m_decided)
        return m_primary;
    m_decided = true;
    if (!m_lock->tryLock(0)) {
        // A lock left by a killed copy is taken over.
        if (m_lock->error() != QLockFile::LockFailedError || !m_lock->removeStaleLockFile() ||
            !m_lock->tryLock(0))
            return m_primary = false;
    }
    m_primary = true;
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(m_serverName))
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return true;
}

bool SingleInstance::sendMessage(const QString &message, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    const QByteArray bytes = message.toUtf8();
    socket.write(bytes);
    const bool written = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return written;
}

void SingleInstance::acceptConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The whole message is in once the sender has closed its end.
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, socket, [socket, buffer] {
            buffer->append(socket->readAll());
            if (buffer->size() > MaxMessageBytes)
                socket->abort();
        });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const QString message = QString::fromUtf8(buffer->left(MaxMessageBytes));
            activateWindow();
            emit messageReceived(message);
        });
    }
}

void SingleInstance::activateWindow()
{
    if (!m_window)
        return;
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
