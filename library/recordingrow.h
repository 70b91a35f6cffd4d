#pragma once

#include "recording.h"

class QSqlQuery;

// A recording as its row reads, the same for the lists, the reads and the checks.
class RecordingRow
{
public:
    // The columns read(), of recordings r joined with instruments i; the samples and the
    // frames follow when they are wanted.
    static QString columns(bool withBytes);
    static Recording read(const QSqlQuery &query, bool withBytes);
    // Between the shown texts of a row.
    static QChar fieldSeparator() { return QChar(0x1F); }
};
