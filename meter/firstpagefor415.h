#pragma once

#include "energycheck.h"
#include "familypage.h"
#include "meterfetch.h"
#include "meterreportvalues.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <memory>

class PollingWorkerControl;
class QButtonGroup;
class QTimer;

namespace Ui {
class FirstPageFor415;
}

// The page of the real-time meter family: device information, setup, and the stored
// measurement groups. It runs the polling worker while a meter is connected; the
// worker's pause lock guards every exchange the page makes, and is free while the
// worker collects the group replies.
class FirstPageFor415 : public FamilyPage
{
    Q_OBJECT

public:
    static constexpr int MaxGroups = MeterFetch::MaxGroups;
    static constexpr int FetchTimeoutMs = MeterFetch::TimeoutMs;
    static constexpr int ProgressTickMs = 100;

    explicit FirstPageFor415(QWidget *parent = nullptr);
    ~FirstPageFor415() override;

    int readDeviceInfo();
    int refreshDevice();
    void languageChange();
    // Appends a row of seven texts with its Report button; returns the row index.
    int addDataRow(const QStringList &texts);

    PollingWorkerControl *workerControl() const { return m_worker; }
    // Tests shorten the 10 s fetch time-out; the program never changes it.
    static void setFetchTimeoutMs(int ms);

    int groupCount = 0;
    int currentUnit = -1;
    MeterReportValues reportValues;

    QButtonGroup *energyDisplayGroup;
    QButtonGroup *filterGroup;
    QButtonGroup *unitGroup;

public slots:
    int on_readhostconfiguretBtn_clicked();
    void clear();
    void openThreadSlot();
    void closeThreadSlot();
    void SaveData(QByteArray baData);
    void updateProgress();

private slots:
    void on_writehostconfiguretBtn_clicked();
    void on_GetDataBtn_clicked();
    void on_ClearBtn_clicked();
    void parseData(QByteArray baData, int DataNo);

private:
    // Connected per row to the row widget's sigReport(int). Not a slot: its name would
    // make the form's by-name connection look for a "ReportBtn" child and warn.
    void on_ReportBtn_clicked(int row);
    void applyProfile();
    void applyUnitHeaders(int unit);
    void endFetch();
    // Marks the row's energy cell when its group fails the energy check; the text stays.
    void markEnergy(int row);
    // The line under the table: how many groups the check flags.
    void showEnergySummary();

    std::unique_ptr<Ui::FirstPageFor415> ui;
    PollingWorkerControl *m_worker;
    QByteArray receiveBuffer;
    QTimer *progressTimer;
    QElapsedTimer fetchClock;
    bool m_inTick = false;
    // What the fetch brought, one per row, for the library and the report.
    QList<Recording> m_fetched;
    // Per table row: its library entry (0: none) and hash.
    QList<qint64> m_rowEntries;
    QStringList m_rowHashes;
    QList<EnergyCheck> m_rowChecks;
};
