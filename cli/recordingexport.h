#pragma once

#include "clioptions.h"
#include "recording.h"

#include <QList>
#include <QString>

class ProcessWindow;

// Writes recordings to a file in one of the export formats. The file is made beside the
// target and takes its place only when complete, so a failed export leaves the old file
// (or none) as it was.
class RecordingExport
{
public:
    // False with a message naming the file when it could not be written. `window` (may be
    // null) gives the verdicts of a workbook's summary and of JSON.
    static bool write(const QList<Recording> &recordings, CliOptions::Format format,
                      const QString &fileName, const ProcessWindow *window, QString *error);

private:
    // xlsx: a single recording in "Sheet1"; several as RecordingWorkbook writes them.
    static bool writeWorkbook(const QList<Recording> &recordings, const QString &fileName,
                              const ProcessWindow *window, QString *error);
    static bool writeFile(const QList<Recording> &recordings, CliOptions::Format format,
                          const QString &fileName, const ProcessWindow *window, QString *error);
};
