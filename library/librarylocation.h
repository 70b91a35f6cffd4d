#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// Where a library lives: a file path (SQLite) or a PostgreSQL URI as libpq reads it,
// postgresql://[user@]host[:port][,host2[:port2]]/db[?option=value&...]. A host that starts
// with "/" (written percent-encoded in the URI) is the folder of the server's local socket; an
// IPv6 host is written in brackets. A password in the URI is refused: it would end up in plain
// settings; libpq's ~/.pgpass or service file, or the desktop keyring, hold it instead.
class LibraryLocation
{
    Q_DECLARE_TR_FUNCTIONS(LibraryLocation)

public:
    enum class Engine { Sqlite, Postgres };

    // False with a message when `text` is neither; an empty text is no location. A message
    // never shows what stands before the "@" of an address.
    static bool parse(const QString &text, LibraryLocation &location, QString *error);
    // The SQLite file in the user's data folder.
    static QString defaultPath();
    // libpq's six; anything else is refused.
    static const QStringList &sslModes();
    // Reached over the network: not a socket folder, not localhost, not a loopback address.
    static bool isNetworkHost(const QString &host);

    Engine engine = Engine::Sqlite;
    QString path;  // SQLite
    QString host;  // PostgreSQL: one host, or libpq's comma-separated list
    int port = -1; // the one port; -1 when none or several are given
    QString ports; // libpq's port list as given
    QString user;
    QString database;
    QString sslMode; // as given; empty when the address names none
    // Further libpq options the address gives, each one of a known, safe few.
    QList<std::pair<QString, QString>> options;

    // The sslmode to connect with: the one given, else "require" when any host is reached
    // over the network (the password must not cross it readable), else libpq's default.
    QString effectiveSslMode() const;
    // The port, sslmode and further options for QSqlDatabase::setConnectOptions, each value
    // quoted so that none can add another keyword.
    QStringList connectOptions() const;
    // For messages and the window title: never a password.
    QString display() const;

    // A value for a libpq connection string, quoted.
    static QString quoted(const QString &value);
};
