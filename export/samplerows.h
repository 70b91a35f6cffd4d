#pragma once

#include "recording.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

// The rows a logger recording's sheet and CSV file hold, without widgets: NUM (from 1), VAL
// (the sample), TIME_S (seconds from the start, k × interval for sample k from 0) and TIME (the
// instrument's clock, start + k × interval). A cell that has no defined value (a sample that is
// not a finite number, a clock time without a start) is empty, never NaN or inf.
class SampleRows
{
public:
    enum Column { Num, Val, TimeS, Time, Columns };

    // A meter group has no rows.
    explicit SampleRows(const Recording &recording);

    static QStringList headers();
    int count() const { return m_count; }

    // The sample as the double nearest its shortest text (12.34f is 12.34); NaN when the
    // instrument sent no finite number.
    double value(int k) const;
    double seconds(int k) const { return double(k) * m_interval; }
    // The clock time as an Excel serial (days since 1899-12-30); NaN without a start time or
    // outside the dates a workbook can hold.
    double excelTime(int k) const;
    // The clock time in no zone; invalid where excelTime() is NaN.
    QDateTime time(int k) const;

    // Appends the row's texts joined by `separator`: the shortest text of each number, TIME as
    // "yyyy-MM-dd HH:mm:ss", an empty text for an empty cell. No text holds a separator,
    // quote or line break, so the fields need no quoting.
    void appendRow(QByteArray &out, int k, char separator) const;
    // The shortest text of a float that reads back as the same float.
    static void appendFloat(QByteArray &out, float value);

private:
    float sample(int k) const;
    // Seconds of sample k since 1899-12-30 00:00; false outside a workbook's dates.
    bool clockSeconds(int k, qint64 &seconds) const;

    const QByteArray m_samples;
    int m_count = 0;
    int m_interval = 0;
    bool m_hasStart = false;
    qint64 m_startSeconds = 0; // since 1899-12-30 00:00
};
