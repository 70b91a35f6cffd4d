#pragma once

#include <QDate>
#include <QString>

class RecordingLibrary;

// Whether an instrument's calibration is older than the period a user keeps (12 months unless
// the settings say otherwise), and the line the pages and reports show then.
class CalibrationAge
{
public:
    static constexpr int DefaultMonths = 12;

    static int periodMonths();
    // A change is an entry of `trail`'s audit trail, if given.
    static void setPeriodMonths(int months, RecordingLibrary *trail = nullptr);

    // True when `calibrated` lies more than `months` before `today`; an unknown date is not.
    static bool overdue(const QDate &calibrated, const QDate &today, int months);
    // The line to show, translated, or empty when the calibration is within the period.
    static QString note(const QDate &calibrated, const QDate &today = QDate::currentDate());
};
