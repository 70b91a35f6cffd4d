#pragma once

#include "meterreportvalues.h"

#include <QByteArray>
#include <QWidget>

class PollingWorkerControl;
class QLabel;

// The page of the real-time meter family. It runs the polling worker while a meter is
// connected; the worker's pause lock guards every exchange the page makes.
class FirstPageFor415 : public QWidget
{
    Q_OBJECT

public:
    explicit FirstPageFor415(QWidget *parent = nullptr);
    ~FirstPageFor415() override;

    // Reads and shows the device information; 1 on success, -1 otherwise.
    int refreshDevice();
    void languageChange();
    PollingWorkerControl *workerControl() const { return m_worker; }
    QString deviceSummary() const;

    bool isChinese = false;
    quint32 modelCode = 0;
    MeterReportValues reportValues;

public slots:
    void clear();
    void openThreadSlot();
    void closeThreadSlot();
    void SaveData(QByteArray baData);

private:
    PollingWorkerControl *m_worker;
    QLabel *m_title;
    QLabel *m_device;
    QByteArray receiveBuffer;
};
