#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

// Takes the program's requests to open a file (a workbook just written), so that no viewer
// starts, and keeps them. Installed for file URLs while it lives.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    explicit UrlRecorder(QObject *parent = nullptr);
    ~UrlRecorder() override;

    const QList<QUrl> &opened() const { return m_opened; }

public slots:
    void openUrl(const QUrl &url);

private:
    QList<QUrl> m_opened;
};
