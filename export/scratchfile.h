#pragma once

#include <QString>
#include <QTemporaryDir>

// Where a new file is written before it takes its target's place: a hidden folder beside the
// target, so that the move is a rename on the same disk and a failed export leaves the old
// file (or none) as it was. A target that is a symbolic link stands for the file it points
// to, which is replaced while the link stays. The folder goes with the object.
class ScratchFile
{
public:
    explicit ScratchFile(const QString &target);

    bool isValid() const { return m_dir.isValid(); }
    QString errorString() const { return m_dir.errorString(); }
    // The file to write: the target's name inside the folder.
    QString path() const { return m_path; }
    // Moves the written file over the target, atomically where the system allows: the target
    // is either the old file or the new one, and after a power cut never an empty file. The
    // new file keeps the old one's permissions. False with the system's reason.
    bool commit(QString *error = nullptr);

private:
    const QString m_target;
    QTemporaryDir m_dir;
    const QString m_path;
};
