#pragma once

#include <QString>

// The folder a user last saved a workbook, CSV, PDF or picture in, kept between runs, so that
// the next save dialog opens there.
class ExportFolder
{
public:
    // The folder last saved in, if it still exists; else the user's documents folder.
    static QString last();
    // `fileName` proposed in the last folder.
    static QString proposed(const QString &fileName);
    // Keeps the folder of a file just saved.
    static void remember(const QString &savedFile);
};
