#include "librarylocation.h"
#include "librarypassword.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
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
    // By hand: QUrl refuses a percent-encoded socket folder as the host, which libpq takes.
    static const QRegularExpression kUri(
        QStringLiteral("^postgres(?:ql)?://(?:([^@/?#:]*)(?::([^@/?#]*))?@)?([^/"
                       "?#:]*)(?::([0-9]+))?/([^/?#]*)(?:\\?([^#]*))?$"));
    const QRegularExpressionMatch m = kUri.match(trimmed);
    if (!m.hasMatch())
        return fail(
            tr("\"%1\" is not a valid PostgreSQL address: %2")
                .arg(trimmed, tr("postgresql://[user@]host[:port]/database[?sslmode=...]")));
    if (!m.captured(2).isEmpty())
        return fail(tr("The library address must not hold a password; keep it in %1 or in %2.")
                        .arg(LibraryPassword::passwordFile(), LibraryPassword::storeName()));
    auto decoded = [](const QString &part) { return QUrl::fromPercentEncoding(part.toUtf8()); };
    location.engine = Engine::Postgres;
    location.user = decoded(m.captured(1));
    location.host = decoded(m.captured(3));
    location.port = m.captured(4).isEmpty() ? -1 : m.captured(4).toInt();
    location.database = decoded(m.captured(5));
    if (location.database.isEmpty())
        return fail(tr("\"%1\" names no database.").arg(trimmed));
    const QUrlQuery query(m.captured(6));
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
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
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
