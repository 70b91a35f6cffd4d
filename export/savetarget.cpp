#include "savetarget.h"

#include "userprompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

// The page's texts, shown alike wherever a workbook is chosen.
const char *const replaceText =
    QT_TRANSLATE_NOOP("FirstPageFor416", "%1 already exists.\nDo you want to replace it?");

// Office programs mark a document they have open with a lock file beside it: LibreOffice
// ".~lock.NAME#", Excel "~$NAME", or for a long name "~$" in place of its first two
// characters. The document itself stays writable, so only these files tell.
bool openInOffice(const QFileInfo &info)
{
    const QDir dir = info.absoluteDir();
    const QString name = info.fileName();
    QStringList locks{QLatin1String(".~lock.") + name + QLatin1Char('#'),
                      QLatin1String("~$") + name};
    if (name.size() > 2)
        locks << QLatin1String("~$") + name.mid(2);
    for (const QString &lock : locks) {
        if (QFileInfo::exists(dir.filePath(lock)))
            return true;
    }
    return false;
}

} // namespace

QString SaveTarget::ask(QWidget *parent, const QString &caption, const QString &proposed,
                        const QString &filter, bool csvAllowed)
{
    const QString typed = UserPrompts::saveFileName(parent, caption, proposed, filter);
    if (typed.isEmpty() || (csvAllowed && isCsvName(typed)))
        return typed;
    const QString fileName = workbookName(typed);
    if (fileName == typed)
        return fileName;
    if (QFileInfo::exists(fileName) &&
        !UserPrompts::question(parent, caption,
                               QCoreApplication::translate("FirstPageFor416", replaceText)
                                   .arg(QFileInfo(fileName).fileName())))
        return QString();
    return fileName;
}

QString SaveTarget::workbookName(const QString &typed)
{
    const QString xlsx = QStringLiteral("xlsx");
    const QString suffix = QFileInfo(typed).suffix();
    if (suffix.compare(xlsx, Qt::CaseInsensitive) == 0)
        return typed;
    if (suffix.compare(QLatin1String("xls"), Qt::CaseInsensitive) == 0)
        return typed.chopped(suffix.size()) + xlsx;
    return typed.endsWith(QLatin1Char('.')) ? typed + xlsx : typed + QLatin1Char('.') + xlsx;
}

bool SaveTarget::isCsvName(const QString &fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
}

bool SaveTarget::replaceable(const QString &target)
{
    const QFileInfo info(target);
    if (!info.exists())
        return true;
    if (!info.isFile() || openInOffice(info))
        return false;
    QFile probe(target);
    return probe.open(QIODevice::ReadWrite | QIODevice::ExistingOnly);
}
