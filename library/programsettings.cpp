#include "programsettings.h"

#include <QDir>

namespace {

#ifdef Q_OS_WIN
constexpr QSettings::Format UserFormat = QSettings::IniFormat;
#else
constexpr QSettings::Format UserFormat = QSettings::NativeFormat;
#endif

} // namespace

ProgramSettings::ProgramSettings() : QSettings(filePath(), UserFormat) {}

QString ProgramSettings::filePath()
{
    const QString folder = qEnvironmentVariable("SOLVANE_CONFIG_DIR");
    if (!folder.isEmpty())
        return QDir(folder).filePath(QStringLiteral("solvane.ini"));
    return QSettings(UserFormat, QSettings::UserScope, QStringLiteral("solvane"),
                     QStringLiteral("solvane"))
        .fileName();
}
