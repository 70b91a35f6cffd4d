#pragma once

#include <QString>

// A file kept open the way another program keeps a document it has open. On Windows the
// system then refuses what the share mode does not allow (an office program shares reading
// at most); other systems lock nothing, and isHeld() is false there.
class HeldFile
{
public:
    enum class Sharing {
        Nothing,      // no other opening at all
        ReadAndWrite, // others may read and write, but not delete or replace it
    };

    HeldFile(const QString &path, Sharing sharing);
    ~HeldFile();
    HeldFile(const HeldFile &) = delete;
    HeldFile &operator=(const HeldFile &) = delete;

    bool isHeld() const { return m_handle != nullptr; }

private:
    void *m_handle = nullptr;
};
