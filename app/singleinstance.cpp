#include "singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QWidget>
#include <memory>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr int MaxMessageBytes = 4096;

#ifndef Q_OS_WIN
// Whether `dir` is a folder (not a link) of this user's that no one else may enter; a folder of
// ours with looser rights is made private.
bool privateFolder(const QString &dir)
{
    struct stat info;
    const QByteArray path = QFile::encodeName(dir);
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid())
        return false;
    return (info.st_mode & 077) == 0 || ::chmod(path.constData(), 0700) == 0;
}
#endif

// A folder no other user can reach or fill in beforehand; empty when there is none.
QString sessionDirectory(QString *why)
{
#ifdef Q_OS_WIN
    // The user's own temporary folder, in the profile (the runtime location there is the
    // profile's root).
    Q_UNUSED(why);
    return QDir::tempPath();
#else
    // Qt hands out the runtime folder only when it is this user's and private.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime;
    // Never a shared folder such as /tmp, where another user could take the names first.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString own = cache + QStringLiteral("/solvane");
    if (cache.isEmpty() || !QDir().mkpath(own) || !privateFolder(own)) {
        *why =
            QCoreApplication::translate(
                "SingleInstance",
                "There is no private folder for this session: %1 is missing, not a folder "
                "of yours, or open to other users.")
                .arg(QDir::toNativeSeparators(cache.isEmpty() ? QStringLiteral("~/.cache") : own));
        return QString();
    }
    return own;
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
    const QString dir = sessionDirectory(&m_error);
    if (dir.isEmpty())
        return;
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
    if (!m_lock)
        return false;
    if (!m_lock->tryLock(0)) {
        // Only a lock that another copy holds means one runs; any other failure is told.
        if (m_lock->error() != QLockFile::LockFailedError) {
            m_error = QCoreApplication::translate("SingleInstance",
                                                  "The lock file %1 cannot be made here.")
                          .arg(QDir::toNativeSeparators(m_lockPath));
            return false;
        }
        // A lock left by a killed copy is taken over.
        if (!m_lock->removeStaleLockFile() || !m_lock->tryLock(0))
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
    if (m_serverName.isEmpty())
        return false;
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
