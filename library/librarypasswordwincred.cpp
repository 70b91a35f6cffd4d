#include "librarypassword.h"

#include <windows.h>

#include <wincred.h>

// The Windows Credential Manager: a generic credential "solvane:<key>" of the user, kept on
// this computer only. Its calls answer at once, so nothing waits here.
namespace {

std::wstring targetName(const LibraryLocation &location)
{
    return (QStringLiteral("solvane:") + LibraryPassword::keyFor(location)).toStdWString();
}

QString refusal(DWORD code)
{
    return LibraryPassword::tr("The Credential Manager refused (error %1).").arg(code);
}

} // namespace

QString LibraryPassword::passwordFile()
{
    return QStringLiteral("%APPDATA%\\postgresql\\pgpass.conf");
}

QString LibraryPassword::storeName()
{
    return tr("the Windows Credential Manager");
}

bool LibraryPassword::read(const LibraryLocation &location, QString &password, QString *error)
{
    password.clear();
    if (error)
        error->clear();
    PCREDENTIALW credential = nullptr;
    if (!CredReadW(targetName(location).c_str(), CRED_TYPE_GENERIC, 0, &credential)) {
        const DWORD code = GetLastError();
        if (error && code != ERROR_NOT_FOUND)
            *error = refusal(code);
        return false;
    }
    const DWORD bytes = credential->CredentialBlobSize;
    if (credential->CredentialBlob && bytes % sizeof(char16_t) == 0)
        password =
            QString::fromUtf16(reinterpret_cast<const char16_t *>(credential->CredentialBlob),
                               qsizetype(bytes / sizeof(char16_t)));
    CredFree(credential);
    return !password.isEmpty();
}

bool LibraryPassword::write(const LibraryLocation &location, const QString &password,
                            QString *error)
{
    std::wstring target = targetName(location);
    std::wstring user = location.user.toStdWString();
    std::u16string blob = password.toStdU16String();
    CREDENTIALW credential = {};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = target.data();
    credential.UserName = user.data();
    credential.CredentialBlobSize = DWORD(blob.size() * sizeof(char16_t));
    credential.CredentialBlob = reinterpret_cast<LPBYTE>(blob.data());
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    const bool kept = CredWriteW(&credential, 0);
    if (error)
        *error = kept ? QString() : refusal(GetLastError());
    return kept;
}

bool LibraryPassword::forget(const LibraryLocation &location, QString *error)
{
    const bool gone = CredDeleteW(targetName(location).c_str(), CRED_TYPE_GENERIC, 0) ||
                      GetLastError() == ERROR_NOT_FOUND;
    if (error)
        *error = gone ? QString() : refusal(GetLastError());
    return gone;
}
