#include "scratchfile.h"

#include "systemfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The file a chain of links ends at, which need not exist yet.
QFileInfo resolved(const QString &target)
{
    QFileInfo info(target);
    for (int hops = 0; hops < 40 && info.isSymbolicLink(); ++hops)
        info.setFile(info.symLinkTarget());
    return info;
}

QString scratchTemplate(const QFileInfo &target)
{
    return target.absoluteDir().filePath(QLatin1Char('.') + target.fileName() +
                                         QLatin1String("-XXXXXX"));
}

} // namespace

ScratchFile::ScratchFile(const QString &target)
    : m_target(resolved(target).absoluteFilePath()), m_dir(scratchTemplate(QFileInfo(m_target))),
      m_path(m_dir.isValid() ? m_dir.filePath(QFileInfo(m_target).fileName()) : QString())
{
}

bool ScratchFile::commit(QString *error)
{
    if (!isValid()) {
        if (error)
            *error = errorString();
        return false;
    }
    QFile written(m_path);
    if (QFileInfo::exists(m_target) && !written.setPermissions(QFile::permissions(m_target))) {
        if (error)
            *error = written.errorString();
        return false;
    }
    return SystemFiles::sync(m_path, error) && SystemFiles::replace(m_path, m_target, error);
}
