#pragma once

#include <QObject>
#include <QUrl>

// Takes the export's "open the workbook" request, so that no viewer is started.
class UrlSink : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    int opened = 0;

public slots:
    void openUrl(const QUrl &) { ++opened; }
};
