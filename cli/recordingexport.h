#pragma once

#include "clioptions.h"
#include "recording.h"

#include <QList>
#include <QString>

// Writes recordings to a file in one of the export formats. The file is made beside the
// target and takes its place only when complete, so a failed export leaves the old file
// (or none) as it was.
class RecordingExport
{
public:
    // False with a message naming the file when it could not be written.
    static bool write(const QList<Recording> &recordings, CliOptions::Format format,
                      const QString &fileName, QString *error);

private:
    // xlsx: one sheet per recording, named by its id; a single one keeps "Sheet1".
    static bool writeWorkbook(const QList<Recording> &recordings, const QString &fileName);
    static bool writeFile(const QList<Recording> &recordings, CliOptions::Format format,
                          const QString &fileName, QString *error);
};
