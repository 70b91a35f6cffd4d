#include "filechoice.h"

#include "exportfolder.h"
#include "userprompts.h"

#include <QCoreApplication>
#include <QFileInfo>

QString FileChoice::knownSuffix(const QString &fileName, const QStringList &suffixes)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffixes.contains(suffix) ? suffix : QString();
}

QString FileChoice::save(QWidget *parent, const QString &caption, const QString &fileName,
                         const QString &filter, const QStringList &suffixes)
{
    const QString typed =
        UserPrompts::saveFileName(parent, caption, ExportFolder::proposed(fileName), filter);
    if (typed.isEmpty() || suffixes.isEmpty() || !knownSuffix(typed, suffixes).isEmpty())
        return typed;
    // Any other suffix is part of the name ("run.v2") and stays in it.
    const QString chosen = typed.endsWith(QLatin1Char('.'))
                               ? typed + suffixes.first()
                               : typed + QLatin1Char('.') + suffixes.first();
    if (QFileInfo::exists(chosen) &&
        !UserPrompts::question(parent, caption,
                               QCoreApplication::translate(
                                   "FileChoice", "%1 already exists.\nDo you want to replace it?")
                                   .arg(QFileInfo(chosen).fileName())))
        return QString();
    return chosen;
}
