#include "heldfile.h"

#include <windows.h>

HeldFile::HeldFile(const QString &path, Sharing sharing)
{
    const DWORD share = sharing == Sharing::Nothing ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE handle =
        CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                    share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE)
        m_handle = handle;
}

HeldFile::~HeldFile()
{
    if (m_handle)
        CloseHandle(static_cast<HANDLE>(m_handle));
}
