#include "station.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>
#include <QTimeZone>

#ifdef Q_OS_WIN
#include <lmcons.h>
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

QString Station::host()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("?") : name;
}

QString Station::user()
{
    // The account the system runs the program as, not a variable anyone can set.
#ifdef Q_OS_WIN
    wchar_t name[UNLEN + 1] = {};
    DWORD size = UNLEN + 1;
    if (GetUserNameW(name, &size) && size > 0)
        return QString::fromWCharArray(name, int(size) - 1);
#else
    if (const passwd *entry = ::getpwuid(::geteuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return QStringLiteral("uid %1").arg(::geteuid());
#endif
    return QStringLiteral("?");
}

QString Station::program()
{
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (name.isEmpty())
        name = QCoreApplication::applicationName();
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? name : name + QLatin1Char(' ') + version;
}

int Station::utcOffsetSeconds(const QDateTime &when)
{
    return when.toLocalTime().offsetFromUtc();
}

QString Station::offsetText(int seconds)
{
    const int minutes = std::abs(seconds) / 60;
    return QStringLiteral("%1%2:%3")
        .arg(seconds < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}
