#include "excelengine.h"

#include <QCoreApplication>
#include <QProgressDialog>

ExcelEngine::ExcelEngine(const QString &fileName, QObject *parent)
    : QObject(parent), m_fileName(fileName)
{
}

bool ExcelEngine::reportProgress(QProgressDialog *progress, int row)
{
    if (!progress)
        return true;
    // Events (and so the cancel button) only get through here; doing that for every row
    // would cost more than writing the row.
    if (row % kProgressStep == 0) {
        progress->setValue(row);
        QCoreApplication::processEvents();
    }
    return !progress->wasCanceled();
}
