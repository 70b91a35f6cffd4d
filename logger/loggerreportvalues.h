#pragma once

#include <QString>

// The texts of the chosen table row that the logger page keeps for its report and export.
struct LoggerReportValues {
    QString deviceName;
    QString serialNo;
    QString startTime;
    QString duration;
    QString powerREC;
    QString powerMAX;
    QString powerMIN;
    QString powerAVG;
    QString groupNo;
    bool isChinese = false;
};
