#include "librarysettings.h"

#include "librarylocation.h"

#include "programsettings.h"

namespace {
const char *const kKey = "library/location";
}

QString LibrarySettings::location()
{
    const QString fromEnvironment = qEnvironmentVariable("SOLVANE_LIBRARY");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString kept = ProgramSettings().value(QLatin1String(kKey)).toString();
    return kept.isEmpty() ? LibraryLocation::defaultPath() : kept;
}

void LibrarySettings::setLocation(const QString &location)
{
    ProgramSettings().setValue(QLatin1String(kKey), location);
}
