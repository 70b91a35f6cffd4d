#pragma once

#include "familypage.h"
#include "loggerdownload.h"
#include "loggerframes.h"
#include "loggerreportvalues.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QStringList>
#include <array>
#include <memory>

class QButtonGroup;
class QTimer;

namespace Ui {
class FirstPageFor416;
}

// The page of the data-logger family: device information, setup, the instrument's clock,
// and the stored record groups. Its download reads synchronously on the GUI thread; no
// worker runs for it. While it runs, `busy` keeps every other action of the page out.
class FirstPageFor416 : public FamilyPage
{
    Q_OBJECT

public:
    static constexpr int MaxGroups = LoggerFrames::MaxGroups;
    // The progress bar's share of one group.
    static constexpr int ProgressPerGroup = 3200;
    static constexpr int StallTimeoutMs = LoggerDownload::StallTimeoutMs;
    static constexpr int GroupAttempts = LoggerDownload::GroupAttempts;
    // How long a clock read stays on screen.
    static constexpr int ClockHoldMs = 10000;

    explicit FirstPageFor416(QWidget *parent = nullptr);
    ~FirstPageFor416() override;

    // Device information, setup and clock, as after a newly detected logger. Returns 1 when
    // the device information was read, -1 otherwise.
    int refreshDevice();
    // Returns 1 when the production record was read (the other two reads may still fail).
    int readDeviceInfo();
    void languageChange();

    // Plain functions, not slots: no child has these names, so the form's by-name
    // connection would warn about them.
    // Opens the curve page for `selectedGroup`.
    void on_UVPowerCurveBtn_clicked();
    // Hands `selectedGroup` to the Excel export.
    void on_SaveUVPowerBtn_clicked();

    // Tests shorten the 10 s hold of a clock read; the program never changes it.
    static void setClockHoldMs(int ms);
    // Tests shorten the 3 s stall time-out of a download; the program never changes it.
    static void setStallTimeoutMs(int ms);

    QByteArray selectedGroup;
    LoggerReportValues reportValues;

    QButtonGroup *intervalGroup;

public slots:
    void SetShutdownEditStatus();
    void timerUpdate();
    int on_readhostconfiguretBtn_clicked();
    void on_readDateTimeBtn_clicked();
    void setTimeEdit();
    // A copy of the group chosen by the last row action: 6 start-time bytes, then samples.
    QByteArray GetPowerData() const { return selectedGroup; }
    void clear();
    void on_GetDataBtn_clicked();
    void on_writehostconfiguretBtn_clicked();
    void on_writeDateTimeBtn_clicked();
    void on_ClearBtn_clicked();
    void openThreadSlot() {}
    void closeThreadSlot() {}

private:
    using DownloadEnd = LoggerDownload::End;

    // Connected per row to the row widget's signals. Not slots: their names would make
    // the form's by-name connection look for children called "CurveBtn" and so on.
    void on_CurveBtn_clicked(int row);
    void on_EXCELBtn_clicked(int row);
    void on_ReportBtn_clicked(int row);

    void setIntervalButtons(bool enabled, const QString &style);
    void showClockLive();
    DownloadEnd downloadGroups(int count);
    void addGroupRow(const LoggerDownload::Group &group);
    void finishDownload(DownloadEnd end);
    // The live clock stops while the page is hidden behind a meter's, so that an idle meter
    // costs nothing here; it is brought up to date when the page is shown again.
    bool event(QEvent *event) override;
    int groupOfRow(int row) const;
    QByteArray groupAt(int row) const;
    QString cellText(int row, int column) const;
    // The recording of that group as the last download brought it; group 0 where there is none.
    Recording downloaded(int group) const;

    std::unique_ptr<Ui::FirstPageFor416> ui;
    QTimer *liveClockTimer;
    QTimer *clockRestoreTimer;
    QElapsedTimer clockReadWatch;
    std::array<QByteArray, MaxGroups> groupRaw;
    std::array<QByteArray, MaxGroups> groupData;
    // The group each table row shows: a group left out leaves no row behind.
    QList<int> m_rowGroups;
    // Groups of the last download that failed their checks on every attempt.
    QList<int> m_leftOut;
    // What the last download brought, for the library and the export; and each row's library
    // entry.
    QList<Recording> m_downloaded;
    QList<qint64> m_rowEntries;
    // Removal or arrival of the instrument noticed while a download ran; done after it.
    bool m_clearPending = false;
    bool m_refreshPending = false;
};
