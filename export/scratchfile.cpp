#include "scratchfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace {

std::filesystem::path fsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

QString scratchTemplate(const QFileInfo &target)
{
    return target.absoluteDir().filePath(QLatin1Char('.') + target.fileName() +
                                         QLatin1String("-XXXXXX"));
}

} // namespace

ScratchFile::ScratchFile(const QString &target)
    : m_target(QFileInfo(target).absoluteFilePath()), m_dir(scratchTemplate(QFileInfo(target))),
      m_path(m_dir.isValid() ? m_dir.filePath(QFileInfo(target).fileName()) : QString())
{
}

bool ScratchFile::commit(QString *error)
{
    if (!isValid()) {
        if (error)
            *error = errorString();
        return false;
    }
    std::error_code renamed;
    std::filesystem::rename(fsPath(m_path), fsPath(m_target), renamed);
    if (renamed && error)
        *error = QString::fromLocal8Bit(renamed.message());
    return !renamed;
}
