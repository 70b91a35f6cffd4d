#pragma once

#include <QString>

// An expected report written for reading: one file for both layouts, where a line that only
// one layout has starts with "en|" or "zh|". The line breaks are not part of the report.
class ExpectedReport
{
public:
    // The report of the chosen layout; empty when the file cannot be read.
    static QString load(const QString &path, bool chinese);
};
