#pragma once

#include <QString>

// The texts of the chosen table row that the meter page keeps for its report.
struct MeterReportValues {
    QString deviceName;
    QString serialNo;
    QString energy;
    QString duration;
    QString powerRT;
    QString powerMAX;
    QString powerMIN;
    QString powerAVG;
    QString powerUnitHtml;
    QString energyUnitHtml;
    bool isChinese = false;
};
