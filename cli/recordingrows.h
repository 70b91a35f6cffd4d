#pragma once

#include "recording.h"

#include <QByteArray>
#include <QStringList>

// A recording as the rows of a table, as the workbook and the CSV file hold them: a logger
// recording the logger page's NUM/VAL rows, a meter group its six values and unit in one row.
class RecordingRows
{
public:
    // Reads `recording`, which must outlive the rows.
    explicit RecordingRows(const Recording &recording);

    QStringList headers() const;
    int count() const;
    QStringList row(int index) const;

    // The shortest text that reads back as the same value; a value that is a float (as the
    // instrument sends them) as the shortest of the float, so 12.3f is "12.3".
    static QString shortest(double value);

private:
    const Recording &m_recording;
    QByteArray m_group; // logger: the group bytes the workbook classes read
};
