#pragma once

#include "recording.h"
#include "samplerows.h"

#include <QStringList>

// A recording as the rows of a table, as the workbook and the CSV file hold them: a logger
// recording the rows of SampleRows, a meter group its six values and unit in one row.
class RecordingRows
{
public:
    // Reads `recording`, which must outlive the rows.
    explicit RecordingRows(const Recording &recording);

    bool isLogger() const { return m_logger; }
    QStringList headers() const;
    int count() const;
    QStringList row(int index) const;
    // A logger recording's samples (none for a meter group).
    const SampleRows &samples() const { return m_samples; }
    // A meter group's values in the order of headers(), the unit last.
    static QList<double> meterValues(const Recording &recording);

    // The shortest text that reads back as the same value; a value that is a float (as the
    // instrument sends them) as the shortest of the float, so 12.3f is "12.3". Empty for a
    // value that is not finite.
    static QString shortest(double value);
    // The double nearest that text: 12.3f becomes 12.3, not 12.300000190734863. NaN for a
    // value that is not finite.
    static double shortestValue(double value);

private:
    const Recording &m_recording;
    const bool m_logger;
    const SampleRows m_samples;
};
