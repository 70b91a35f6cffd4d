#pragma once

#include "recording.h"
#include "reportvalues.h"

// The texts of the chosen table row that the meter page keeps for its report.
struct MeterReportValues : ReportValues {
    QString energy;
    QString powerRT;
    QString powerUnitHtml;
    QString energyUnitHtml;
    // The row's group as fetched: calibration date, values and unit for the report's checks.
    Recording recording;
};
