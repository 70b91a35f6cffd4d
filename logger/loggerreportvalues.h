#pragma once

#include "reportvalues.h"

// The texts of the chosen table row that the logger page keeps for its report and export.
struct LoggerReportValues : ReportValues {
    QString startTime;
    QString powerREC;
    QString groupNo;
};
