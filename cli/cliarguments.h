#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The command line as the system gives it. On POSIX a file name is bytes and need not be
// UTF-8; QCoreApplication::arguments() turns what is not into U+FFFD, so a file would be
// written under another name. Here such a byte becomes U+DC80..U+DCFF, a lone surrogate that
// no valid UTF-8 text decodes to, and goes back to the same byte for the system.
class CliArguments
{
public:
    // The arguments after the program name.
    static QStringList fromSystem(int argc, char *argv[]);
    static QString decode(const QByteArray &bytes);
    // The name for the system's calls, byte for byte as it was given.
    static QByteArray encode(const QString &argument);
    // True where a byte of the name has no place in a QString file name.
    static bool holdsRawBytes(const QString &argument);
};
