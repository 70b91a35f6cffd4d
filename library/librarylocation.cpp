#include "librarylocation.h"
#include "librarypassword.h"

#include <QDir>
#include <QHostAddress>
#include <QStandardPaths>
#include <QUrl>

#include <libpq-fe.h>

#include <memory>

namespace {

// What may pass from an address to the connection: nothing that names another server, file
// of secrets or session setting behind the user's back.
const QStringList kPassedOptions{
    QStringLiteral("application_name"),
    QStringLiteral("channel_binding"),
    QStringLiteral("connect_timeout"),
    QStringLiteral("gssencmode"),
    QStringLiteral("keepalives_count"),
    QStringLiteral("keepalives_idle"),
    QStringLiteral("keepalives_interval"),
    QStringLiteral("krbsrvname"),
    QStringLiteral("requirepeer"),
    QStringLiteral("ssl_max_protocol_version"),
    QStringLiteral("ssl_min_protocol_version"),
    QStringLiteral("sslcert"),
    QStringLiteral("sslcrl"),
    QStringLiteral("sslcrldir"),
    QStringLiteral("sslkey"),
    QStringLiteral("sslrootcert"),
    QStringLiteral("sslsni"),
    QStringLiteral("target_session_attrs"),
    QStringLiteral("tcp_user_timeout"),
};

struct Scheme {
    qsizetype end = -1; // past "://"; -1: no PostgreSQL address
};

Scheme schemeOf(const QString &text)
{
    for (const char *prefix : {"postgresql://", "postgres://"})
        if (text.startsWith(QLatin1String(prefix)))
            return {qsizetype(qstrlen(prefix))};
    return {};
}

// libpq's reading: the credentials end at the first "@" before any "/".
qsizetype credentialsEnd(const QString &text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('/'))
            return -1;
        if (text[i] == QLatin1Char('@'))
            return i;
    }
    return -1;
}

bool queryNamesPassword(const QString &text)
{
    const qsizetype mark = text.indexOf(QLatin1Char('?'));
    if (mark < 0)
        return false;
    for (const QString &item : text.mid(mark + 1).split(QLatin1Char('&'))) {
        const QString key =
            QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 0, 0).toUtf8());
        if (key.trimmed() == QLatin1String("password"))
            return true;
    }
    return false;
}

bool validPort(const QString &port)
{
    if (port.isEmpty())
        return true;
    bool ok = false;
    const int value = port.toInt(&ok);
    return ok && value >= 1 && value <= 65535 &&
           std::all_of(port.cbegin(), port.cend(), [](QChar c) { return c.isDigit(); });
}

} // namespace

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
    const Scheme scheme = schemeOf(trimmed);
    if (scheme.end < 0) {
        location.engine = Engine::Sqlite;
        location.path = QDir::cleanPath(QDir::current().absoluteFilePath(trimmed));
        return true;
    }
    const QString refusedPassword =
        tr("The library address must not hold a password; keep it in %1 or in %2.")
            .arg(LibraryPassword::passwordFile(), LibraryPassword::storeName());
    // What stands before the "@" is never shown, whatever else is wrong with the address.
    const qsizetype at = credentialsEnd(trimmed, scheme.end);
    const QString credentials = at < 0 ? QString() : trimmed.mid(scheme.end, at - scheme.end);
    if (credentials.contains(QLatin1Char(':')) || queryNamesPassword(trimmed))
        return fail(refusedPassword);
    const QString shown =
        at < 0 ? trimmed : trimmed.left(scheme.end) + QStringLiteral("***") + trimmed.mid(at);
    auto invalid = [&](QString why) {
        if (!credentials.isEmpty())
            why.replace(credentials, QStringLiteral("***"));
        return fail(
            tr("\"%1\" is not a valid PostgreSQL address: %2")
                .arg(shown, why.trimmed() + QStringLiteral(" (") +
                                tr("postgresql://[user@]host[:port]/database[?sslmode=...]") +
                                QLatin1Char(')')));
    };

    char *parseError = nullptr;
    const std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> parsed(
        PQconninfoParse(trimmed.toUtf8().constData(), &parseError), &PQconninfoFree);
    if (!parsed) {
        const QString why = parseError ? QString::fromUtf8(parseError) : QString();
        PQfreemem(parseError);
        return invalid(why);
    }
    location.engine = Engine::Postgres;
    for (const PQconninfoOption *option = parsed.get(); option->keyword; ++option) {
        if (!option->val)
            continue;
        const QString key = QString::fromUtf8(option->keyword);
        const QString value = QString::fromUtf8(option->val);
        if (key == QLatin1String("password"))
            return fail(refusedPassword);
        if (key == QLatin1String("host"))
            location.host = value;
        else if (key == QLatin1String("port"))
            location.ports = value;
        else if (key == QLatin1String("user"))
            location.user = value;
        else if (key == QLatin1String("dbname"))
            location.database = value;
        else if (key == QLatin1String("sslmode"))
            location.sslMode = value;
        else if (kPassedOptions.contains(key))
            location.options.append({key, value});
        else
            return fail(tr("Unknown option \"%1\" in the library address.").arg(key));
        // Qt's driver turns every ";" of its options into a space (host, database and user
        // it quotes itself).
        const bool own = key == QLatin1String("host") || key == QLatin1String("dbname") ||
                         key == QLatin1String("user");
        if (!own && value.contains(QLatin1Char(';')))
            return fail(tr("The option \"%1\" in the library address holds a \";\", which a "
                           "connection cannot take.")
                            .arg(key));
    }
    if (!location.sslMode.isEmpty() && !sslModes().contains(location.sslMode))
        return fail(tr("The sslmode in the library address is none of %1.")
                        .arg(sslModes().join(QStringLiteral(", "))));
    for (const QString &port : location.ports.split(QLatin1Char(',')))
        if (!validPort(port))
            return fail(tr("The port \"%1\" in the library address is not a number from 1 to "
                           "65535.")
                            .arg(port));
    if (!location.ports.isEmpty() && !location.ports.contains(QLatin1Char(',')))
        location.port = location.ports.toInt();
    if (location.database.isEmpty())
        return fail(tr("\"%1\" names no database.").arg(shown));
    return true;
}

const QStringList &LibraryLocation::sslModes()
{
    static const QStringList modes{QStringLiteral("disable"),   QStringLiteral("allow"),
                                   QStringLiteral("prefer"),    QStringLiteral("require"),
                                   QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    return modes;
}

bool LibraryLocation::isNetworkHost(const QString &host)
{
    if (host.isEmpty() || host.startsWith(QLatin1Char('/')) || host.startsWith(QLatin1Char('@')))
        return false;
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return false;
    const QHostAddress address(host);
    return address.isNull() || !address.isLoopback();
}

QString LibraryLocation::effectiveSslMode() const
{
    if (!sslMode.isEmpty() || engine != Engine::Postgres)
        return sslMode;
    const QStringList hosts = host.split(QLatin1Char(','));
    return std::any_of(hosts.cbegin(), hosts.cend(), &LibraryLocation::isNetworkHost)
               ? QStringLiteral("require")
               : QString();
}

QString LibraryLocation::quoted(const QString &value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

QStringList LibraryLocation::connectOptions() const
{
    QStringList out;
    auto add = [&out](const QString &key, const QString &value) {
        out << key + QLatin1Char('=') + quoted(value);
    };
    if (!ports.isEmpty())
        add(QStringLiteral("port"), ports);
    for (const auto &[key, value] : options)
        add(key, value);
    const QString mode = effectiveSslMode();
    if (!mode.isEmpty())
        add(QStringLiteral("sslmode"), mode);
    return out;
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
        text += QString::fromUtf8(QUrl::toPercentEncoding(user)) + QLatin1Char('@');
    const QStringList hosts = host.split(QLatin1Char(','));
    const QStringList portList = ports.split(QLatin1Char(','));
    QStringList parts;
    for (qsizetype i = 0; i < hosts.size(); ++i) {
        const QString &h = hosts[i];
        // Percent-encoded, so that what is shown reads back as the same place.
        QString part = QHostAddress(h).protocol() == QAbstractSocket::IPv6Protocol
                           ? QLatin1Char('[') + h + QLatin1Char(']')
                           : QString::fromUtf8(QUrl::toPercentEncoding(h));
        const QString p = portList.size() == hosts.size() ? portList[i]
                          : portList.size() == 1          ? ports
                                                          : QString();
        if (!p.isEmpty())
            part += QLatin1Char(':') + p;
        parts << part;
    }
    text += parts.join(QLatin1Char(',')) + QLatin1Char('/') +
            QString::fromUtf8(QUrl::toPercentEncoding(database));
    QStringList query;
    if (!sslMode.isEmpty())
        query << QStringLiteral("sslmode=") + sslMode;
    for (const auto &[key, value] : options)
        query << key + QLatin1Char('=') + QString::fromUtf8(QUrl::toPercentEncoding(value, "/"));
    if (!query.isEmpty())
        text += QLatin1Char('?') + query.join(QLatin1Char('&'));
    return text;
}
