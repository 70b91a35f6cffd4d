#include "librarylocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

bool LibraryLocation::parse(const QString &text, LibraryLocation &location, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return fail(tr("No library location was given."));
    location = LibraryLocation();
    if (!trimmed.startsWith(QLatin1String("postgresql://")) &&
        !trimmed.startsWith(QLatin1String("postgres://"))) {
        location.engine = Engine::Sqlite;
        location.path = QDir::cleanPath(QDir::current().absoluteFilePath(trimmed));
        return true;
    }
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid())
        return fail(
            tr("\"%1\" is not a valid PostgreSQL address: %2").arg(trimmed, url.errorString()));
    if (!url.password().isEmpty())
        return fail(tr(
            "The library address must not hold a password; keep it in ~/.pgpass or the keyring."));
    location.engine = Engine::Postgres;
    location.host = url.host(QUrl::FullyDecoded);
    // QUrl keeps a percent-encoded socket folder as the host only when it decodes to a path.
    if (location.host.isEmpty()) {
        const QString authority = url.authority(QUrl::FullyEncoded);
        const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
        QString hostPort = at >= 0 ? authority.mid(at + 1) : authority;
        const qsizetype colon = hostPort.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0)
            hostPort.truncate(colon);
        location.host = QUrl::fromPercentEncoding(hostPort.toUtf8());
    }
    location.port = url.port(-1);
    location.user = url.userName(QUrl::FullyDecoded);
    location.database = url.path(QUrl::FullyDecoded).mid(1);
    if (location.database.isEmpty() || location.database.contains(QLatin1Char('/')))
        return fail(tr("\"%1\" names no database.").arg(trimmed));
    const QUrlQuery query(url);
    for (const auto &item : query.queryItems(QUrl::FullyDecoded)) {
        if (item.first == QLatin1String("sslmode"))
            location.sslMode = item.second;
        else
            return fail(tr("Unknown option \"%1\" in the library address.").arg(item.first));
    }
    return true;
}

QString LibraryLocation::defaultPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(folder).filePath(QStringLiteral("library.sqlite"));
}

QString LibraryLocation::display() const
{
    if (engine == Engine::Sqlite)
        return QDir::toNativeSeparators(path);
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += user + QLatin1Char('@');
    text +=
        host.startsWith(QLatin1Char('/')) ? QString::fromUtf8(QUrl::toPercentEncoding(host)) : host;
    if (port > 0)
        text += QLatin1Char(':') + QString::number(port);
    text += QLatin1Char('/') + database;
    if (!sslMode.isEmpty())
        text += QStringLiteral("?sslmode=") + sslMode;
    return text;
}
