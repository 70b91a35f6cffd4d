#pragma once

#include "loggerreportvalues.h"

#include <QByteArray>
#include <QWidget>

class QLabel;

// The page of the data-logger family. Its downloads read synchronously; no worker runs for it.
class FirstPageFor416 : public QWidget
{
    Q_OBJECT

public:
    explicit FirstPageFor416(QWidget *parent = nullptr);
    ~FirstPageFor416() override;

    // Reads and shows the device information; 1 on success, -1 otherwise.
    int refreshDevice();
    void languageChange();
    QString deviceSummary() const;

    // A copy of the group chosen by the last row action: 6 start-time bytes, then samples.
    QByteArray GetPowerData() const { return selectedGroup; }

    bool isChinese = false;
    bool busy = false;
    quint32 modelCode = 0;
    QByteArray selectedGroup;
    LoggerReportValues reportValues;

public slots:
    void clear();
    void openThreadSlot() {}
    void closeThreadSlot() {}

private:
    QLabel *m_title;
    QLabel *m_device;
};
