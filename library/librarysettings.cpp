#include "librarysettings.h"

#include "librarylocation.h"

#include <QSettings>

namespace {
const char *const kKey = "library/location";
}

QString LibrarySettings::location()
{
    const QString fromEnvironment = qEnvironmentVariable("SOLVANE_LIBRARY");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString kept = QSettings().value(QLatin1String(kKey)).toString();
    return kept.isEmpty() ? LibraryLocation::defaultPath() : kept;
}

void LibrarySettings::setLocation(const QString &location)
{
    QSettings().setValue(QLatin1String(kKey), location);
}
