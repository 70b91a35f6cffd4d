#pragma once

#include <QString>

// The texts of the chosen table row that both families' reports show.
struct ReportValues {
    QString deviceName;
    QString serialNo;
    QString duration;
    QString powerMAX;
    QString powerMIN;
    QString powerAVG;
    bool isChinese = false;
};
