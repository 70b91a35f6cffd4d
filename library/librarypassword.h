#pragma once

#include "librarylocation.h"

#include <QCoreApplication>
#include <QString>

// The password of a PostgreSQL library in the system's password store (service "solvane", one
// entry per user, server and database), never in plain settings or files: the desktop keyring
// on Linux, the Credential Manager on Windows. Every call waits at most TimeoutMs for the
// store; where none runs (no session bus, no secret service) there is simply no password.
class LibraryPassword
{
    Q_DECLARE_TR_FUNCTIONS(LibraryPassword)

public:
    static constexpr int TimeoutMs = 3000;

    // Where libpq looks for its password file, written as the user knows it.
    static QString passwordFile();
    // The password store, as a sentence names it ("the desktop keyring").
    static QString storeName();

    // "user@host:port/database"; the port is empty when the location names none.
    static QString keyFor(const LibraryLocation &location);

    // False when the keyring holds none for this library, or cannot be asked (*error says
    // why; empty when there simply is none).
    static bool read(const LibraryLocation &location, QString &password, QString *error = nullptr);
    // False with a message when no keyring takes it.
    static bool write(const LibraryLocation &location, const QString &password,
                      QString *error = nullptr);
    // True when none is kept afterwards.
    static bool forget(const LibraryLocation &location, QString *error = nullptr);
};
