#include "librarypassword.h"

QString LibraryPassword::keyFor(const LibraryLocation &location)
{
    return QStringLiteral("%1@%2:%3/%4")
        .arg(location.user, location.host,
             location.port > 0 ? QString::number(location.port) : QString(), location.database);
}
