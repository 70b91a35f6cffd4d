#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;
class QWidget;

// One running copy per user session: a lock file decides who runs, a local socket
// carries the later copies' messages to the running one.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString &name, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this copy runs: the lock is ours (a killed copy's stale lock is taken over).
    // False when another copy runs, or when no lock can be had (errorString() says why).
    bool isPrimary();
    // Why neither this copy nor another one can run; empty when one can.
    QString errorString() const { return m_error; }
    // A later copy's message to the running one.
    bool sendMessage(const QString &message, int timeoutMs);
    // Brought to the front whenever a message arrives.
    void setActivationWindow(QWidget *window) { m_window = window; }

    QString lockPath() const { return m_lockPath; }
    QString serverName() const { return m_serverName; }

signals:
    void messageReceived(const QString &message);

private:
    void acceptConnection();
    void activateWindow();

    QString m_lockPath;
    QString m_serverName;
    QString m_error;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
    QWidget *m_window = nullptr;
    bool m_primary = false;
    bool m_decided = false;
};
