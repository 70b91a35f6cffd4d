#pragma once

#include <QString>

class RecordingLibrary;

// The texts of the chosen table row that both families' reports show.
struct ReportValues {
    QString deviceName;
    QString serialNo;
    QString duration;
    QString powerMAX;
    QString powerMIN;
    QString powerAVG;
    bool isChinese = false;
    // The row's library entry (0: none), whose report texts are kept, and the hash of its
    // samples or values, which the report's footer shows so that a print finds its entry.
    qint64 libraryEntry = 0;
    QString sha256;
    RecordingLibrary *library = nullptr; // not owned
};
