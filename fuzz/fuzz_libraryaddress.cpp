// Library addresses as a user types or pastes them: no crash, no password ever shown, and only
// libpq's six sslmodes and quoted option values reach the connection.
#include "fuzzcheck.h"
#include "librarylocation.h"

#include <QRegularExpression>
#include <QString>

#include <libpq-fe.h>

#include <cstdint>

namespace {

// libpq's own reading: does the address carry a password anywhere?
bool libpqSeesPassword(const QString &address)
{
    PQconninfoOption *options = PQconninfoParse(address.toUtf8().constData(), nullptr);
    bool found = false;
    for (const PQconninfoOption *o = options; o && o->keyword; ++o)
        found = found || (o->val && qstrcmp(o->keyword, "password") == 0);
    PQconninfoFree(options);
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString refused = [] {
        LibraryLocation unused;
        QString error;
        LibraryLocation::parse(QStringLiteral("postgresql://a:b@h/d"), unused, &error);
        return error;
    }();
    static const QRegularExpression quotedOption(QStringLiteral("^[a-z_]+='(?:[^'\\\\]|\\\\.)*'$"));

    const QString text =
        QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    // Mostly addresses: the file-path branch takes anything and says little.
    const QString address =
        text.startsWith(QLatin1String("postgres")) ? text : QStringLiteral("postgresql://") + text;
    LibraryLocation location;
    QString error;
    const bool ok = LibraryLocation::parse(address, location, &error);

    if (!address.trimmed().startsWith(QLatin1String("postgresql://")) &&
        !address.trimmed().startsWith(QLatin1String("postgres://"))) {
        check(!ok || location.engine == LibraryLocation::Engine::Sqlite);
        return 0;
    }
    // What stands before the first "@" ahead of any "/" (libpq's credentials) is never shown.
    const QString trimmed = address.trimmed();
    const qsizetype start = trimmed.indexOf(QLatin1String("://")) + 3;
    const qsizetype slash = trimmed.indexOf(QLatin1Char('/'), start);
    const qsizetype at = trimmed.indexOf(QLatin1Char('@'), start);
    const QString credentials =
        at >= 0 && (slash < 0 || at < slash) ? trimmed.mid(start, at - start) : QString();
    if (credentials.contains(QLatin1Char(':')) || libpqSeesPassword(trimmed))
        check(!ok && error == refused);
    if (!credentials.isEmpty()) {
        // Neither the address as typed up to its "@", nor the credentials as libpq quotes a
        // token it cannot read (unless the rest of the address holds the same text).
        if (!trimmed.mid(at + 1).contains(credentials))
            check(!error.contains(trimmed.left(at + 1)) &&
                  !error.contains(QLatin1Char('"') + credentials + QLatin1Char('"')));
    }
    if (!ok) {
        check(!error.isEmpty());
        return 0;
    }
    check(location.engine == LibraryLocation::Engine::Postgres);
    check(location.sslMode.isEmpty() || LibraryLocation::sslModes().contains(location.sslMode));
    const QString mode = location.effectiveSslMode();
    check(mode.isEmpty() || LibraryLocation::sslModes().contains(mode));
    for (const QString &option : location.connectOptions())
        check(quotedOption.match(option).hasMatch() && !option.contains(QLatin1Char(';')));
    check(location.port == -1 || (location.port >= 1 && location.port <= 65535));
    // What it shows reads back as the same place, with no password in it.
    LibraryLocation again;
    check(LibraryLocation::parse(location.display(), again, nullptr));
    check(again.display() == location.display() && again.host == location.host &&
          again.database == location.database && again.user == location.user &&
          again.effectiveSslMode() == mode);
    return 0;
}
