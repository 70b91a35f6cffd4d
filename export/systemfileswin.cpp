#include "systemfiles.h"

#include <QDir>

#include <cstdio>
#include <windows.h>

namespace {

bool failed(QString *error)
{
    if (error)
        *error = qt_error_string(int(GetLastError()));
    return false;
}

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

} // namespace

bool SystemFiles::sync(const QString &path, QString *error)
{
    const HANDLE file =
        CreateFileW(native(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return failed(error);
    const bool synced = FlushFileBuffers(file);
    const DWORD reason = GetLastError();
    CloseHandle(file);
    SetLastError(reason);
    return synced || failed(error);
}

bool SystemFiles::replace(const QString &from, const QString &to, QString *error)
{
    // Write-through: the call returns once the move is on the disk.
    return MoveFileExW(native(from).c_str(), native(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
           failed(error);
}

void SystemFiles::allowOpenFiles(int count)
{
    // The C library's streams, which the workbook writer's files are, stop at 512 unless raised.
    if (_getmaxstdio() < count && _setmaxstdio(count) == -1)
        _setmaxstdio(2048); // the most the older C library allows
}
