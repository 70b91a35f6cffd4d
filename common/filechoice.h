#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The save dialog of a picture or a document: proposed in the folder last saved in, and the
// name made to end in one of the suffixes the file can be written as.
class FileChoice
{
public:
    // Asks under `caption` for a file, proposing `fileName` in ExportFolder's folder. A name
    // without one of `suffixes` (lower case, without the dot) gets the first one; when that
    // file exists, the user is asked again, since the dialog asked about the typed name.
    // Empty when cancelled.
    static QString save(QWidget *parent, const QString &caption, const QString &fileName,
                        const QString &filter, const QStringList &suffixes);
    // The suffix of `fileName` in lower case if it is one of `suffixes`, else empty.
    static QString knownSuffix(const QString &fileName, const QStringList &suffixes);
};
