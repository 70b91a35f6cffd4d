#pragma once

#include "reportvalues.h"

// The texts of the chosen table row that the meter page keeps for its report.
struct MeterReportValues : ReportValues {
    QString energy;
    QString powerRT;
    QString powerUnitHtml;
    QString energyUnitHtml;
};
