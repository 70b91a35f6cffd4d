#pragma once

#include "clioptions.h"
#include "recording.h"

#include <QList>
#include <QString>

class ProcessWindow;
class QIODevice;

// Writes recordings to a file in one of the export formats. The file is made beside the
// target and takes its place only when complete, so a failed export leaves the old file
// (or none) as it was. "-" is standard output.
class RecordingExport
{
public:
    // False with a message naming the file when it could not be written. `window` (may be
    // null) gives the verdicts of a workbook's summary and of JSON. `fileName` is as
    // CliArguments gives it: a name that is not UTF-8 is written byte for byte.
    static bool write(const QList<Recording> &recordings, CliOptions::Format format,
                      const QString &fileName, const ProcessWindow *window, QString *error);
    // True where `output` is the SQLite library at `library` or one of its -wal, -shm and
    // -journal files, however it is spelt: the same file, or the same name in the same folder
    // once links are followed.
    static bool isLibraryFile(const QString &output, const QString &library);

private:
    // Through a ScratchFile beside `fileName`; the reason alone where it fails.
    static bool writeReplacing(const QList<Recording> &recordings, CliOptions::Format format,
                               const QString &fileName, const ProcessWindow *window,
                               QString *error);
    // xlsx: a single recording in "Sheet1"; several as RecordingWorkbook writes them.
    static bool writeWorkbook(const QList<Recording> &recordings, const QString &fileName,
                              const ProcessWindow *window, QString *error);
    static bool writeFile(const QList<Recording> &recordings, CliOptions::Format format,
                          const QString &fileName, const ProcessWindow *window, QString *error);
    static bool writeText(const QList<Recording> &recordings, CliOptions::Format format,
                          QIODevice &device, const ProcessWindow *window, QString *error);
    static bool writeStandardOutput(const QList<Recording> &recordings, CliOptions::Format format,
                                    const ProcessWindow *window, QString *error);
    // A name Qt cannot hold: written under a stand-in name in its folder, then renamed.
    static bool writeRawName(const QList<Recording> &recordings, CliOptions::Format format,
                             const QString &fileName, const ProcessWindow *window, QString *error);
};
