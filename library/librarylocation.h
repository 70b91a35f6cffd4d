#pragma once

#include <QCoreApplication>
#include <QString>

// Where a library lives: a file path (SQLite) or a PostgreSQL URI,
// postgresql://[user@]host[:port]/db[?sslmode=...]. A host that starts with "/" (written
// percent-encoded in the URI) is the folder of the server's local socket. A password in the
// URI is refused: it would end up in plain settings; libpq's ~/.pgpass or service file, or
// the desktop keyring, hold it instead.
class LibraryLocation
{
    Q_DECLARE_TR_FUNCTIONS(LibraryLocation)

public:
    enum class Engine { Sqlite, Postgres };

    // False with a message when `text` is neither; an empty text is no location.
    static bool parse(const QString &text, LibraryLocation &location, QString *error);
    // The SQLite file in the user's data folder.
    static QString defaultPath();

    Engine engine = Engine::Sqlite;
    QString path; // SQLite
    QString host; // PostgreSQL
    int port = -1;
    QString user;
    QString database;
    QString sslMode;

    // For messages and the window title: never a password.
    QString display() const;
};
