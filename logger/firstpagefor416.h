#pragma once

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

    bool isChinese = false;
    quint32 modelCode = 0;

public slots:
    void clear();
    void openThreadSlot() {}
    void closeThreadSlot() {}

private:
    QLabel *m_title;
    QLabel *m_device;
};
