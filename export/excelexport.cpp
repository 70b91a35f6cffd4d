#include "excelexport.h"

void ExcelExport::run(QWidget *, bool, const QByteArray &, const QString &, const QString &) {}
