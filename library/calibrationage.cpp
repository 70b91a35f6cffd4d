#include "calibrationage.h"

#include "programsettings.h"
#include "recordinglibrary.h"
#include <QCoreApplication>

namespace {
const char *const kKey = "instrument/calibrationMonths";
}

int CalibrationAge::periodMonths()
{
    bool ok = false;
    const int months = ProgramSettings().value(QLatin1String(kKey), DefaultMonths).toInt(&ok);
    return ok && months > 0 ? months : DefaultMonths;
}

void CalibrationAge::setPeriodMonths(int months, RecordingLibrary *trail)
{
    const int before = periodMonths();
    const int after = months > 0 ? months : DefaultMonths;
    ProgramSettings().setValue(QLatin1String(kKey), after);
    if (trail && trail->isOpen() && before != after)
        trail->record(
            QLatin1String(AuditEntry::CalibrationPeriodChanged),
            QCoreApplication::translate("CalibrationAge", "calibration period"),
            {{QStringLiteral("old_months"), before}, {QStringLiteral("new_months"), after}});
}

bool CalibrationAge::overdue(const QDate &calibrated, const QDate &today, int months)
{
    return calibrated.isValid() && today.isValid() && calibrated.addMonths(months) < today;
}

QString CalibrationAge::note(const QDate &calibrated, const QDate &today)
{
    const int months = periodMonths();
    if (!overdue(calibrated, today, months))
        return {};
    return QCoreApplication::translate(
               "CalibrationAge", "Calibrated on %1, more than %2 months ago: the readings may "
                                 "have drifted. Have the instrument calibrated.")
        .arg(calibrated.toString(QStringLiteral("yyyy-MM-dd")))
        .arg(months);
}
