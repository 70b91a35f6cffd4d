#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

// The logger page's Excel export: asks for a file, writes the group's samples into a
// workbook under a progress dialog and opens it. Messages are shown on `page`.
class ExcelExport
{
public:
    static void run(QWidget *page, bool busy, const QByteArray &groupData, const QString &groupNo,
                    const QString &startTime);
};
