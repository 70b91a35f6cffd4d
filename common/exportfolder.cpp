#include "exportfolder.h"

#include "programsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const char *const kKey = "export/lastFolder";
}

QString ExportFolder::last()
{
    const QString kept = ProgramSettings().value(QLatin1String(kKey)).toString();
    if (!kept.isEmpty() && QFileInfo(kept).isDir())
        return kept;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString ExportFolder::proposed(const QString &fileName)
{
    return QDir(last()).filePath(fileName);
}

void ExportFolder::remember(const QString &savedFile)
{
    if (savedFile.isEmpty())
        return;
    ProgramSettings().setValue(QLatin1String(kKey), QFileInfo(savedFile).absolutePath());
}
