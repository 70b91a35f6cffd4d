#include "systemfiles.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

bool failed(QString *error)
{
    if (error)
        *error = qt_error_string(errno);
    return false;
}

bool syncDescriptor(int fd, QString *error)
{
    if (fd < 0)
        return failed(error);
    const bool synced = ::fsync(fd) == 0;
    const int reason = errno;
    ::close(fd);
    errno = reason;
    return synced || failed(error);
}

} // namespace

bool SystemFiles::sync(const QString &path, QString *error)
{
    return syncDescriptor(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC), error);
}

bool SystemFiles::replace(const QString &from, const QString &to, QString *error)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return failed(error);
    const QByteArray folder = QFile::encodeName(QFileInfo(to).absolutePath());
    return syncDescriptor(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), error);
}

void SystemFiles::allowOpenFiles(int count)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= rlim_t(count))
        return;
    // The soft limit is often far below the hard one; raising it is the process's to do.
    limit.rlim_cur =
        limit.rlim_max == RLIM_INFINITY ? rlim_t(count) : std::min(limit.rlim_max, rlim_t(count));
    ::setrlimit(RLIMIT_NOFILE, &limit);
}
