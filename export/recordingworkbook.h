#pragma once

#include "recording.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class ProcessWindow;

// Several recordings in one workbook, without widgets: a summary sheet first, one row per
// recording (instrument, group, start, interval, samples, the statistics, the dose in uJ/cm²
// and whether it is flagged, the verdict against a process window, a meter group's energy,
// duration, unit and energy check), then one sheet per logger recording with its samples as
// SampleSheet writes them. Meter groups have their row in the summary only.
class RecordingWorkbook
{
    Q_DECLARE_TR_FUNCTIONS(RecordingWorkbook)

public:
    // Now and then: the rows written so far and the rows there are (summary and samples).
    std::function<void(qint64 done, qint64 total)> progress;
    // Asked now and then; true stops the export, which then leaves the target as it was.
    std::function<bool()> abandoned;

    // Writes the workbook beside `fileName` and puts it in its place when complete. `window`
    // may be null: the verdict column stays empty. False with a message otherwise.
    bool write(const QString &fileName, const QList<Recording> &recordings,
               const ProcessWindow *window, QString *error);

    static QString summarySheetName();
    static QStringList summaryHeaders();
    // Each recording's sheet name (empty for a meter group): its id, serial and group, with
    // what a sheet name may not hold replaced, cut to the length allowed and unique, also
    // against the summary sheet, ignoring case.
    static QStringList sheetNames(const QList<Recording> &recordings);

    // Progress is told and the abandon check asked once per this many rows.
    static constexpr int kStep = 4096;
};
