#include "recordingrow.h"

#include <QSqlQuery>
#include <QVariant>

QString RecordingRow::columns(bool withBytes)
{
    QString columns = QStringLiteral(
        "r.id, r.family, r.group_no, r.start_time, r.interval_s, r.sample_count, r.shown,"
        " r.power_rec, r.power_max, r.power_min, r.power_avg, r.energy, r.duration_s, r.power_rt,"
        " r.unit, r.firmware, r.production_date, r.calibration_date, r.downloaded_at, r.sha256,"
        " r.test_light, r.company, r.tester, r.auditor, r.dose_uj_cm2, r.dose_flagged,"
        " r.utc_offset_s, r.removed, i.serial, i.model_code, i.model_name");
    if (withBytes)
        columns += QStringLiteral(", r.samples, r.raw_frames");
    return columns;
}

Recording RecordingRow::read(const QSqlQuery &q, bool withBytes)
{
    Recording r;
    int c = 0;
    r.id = q.value(c++).toLongLong();
    Recording::familyFromName(q.value(c++).toString(), r.family);
    r.group = q.value(c++).toInt();
    r.startTime = QDateTime::fromString(q.value(c++).toString(), Qt::ISODate);
    r.intervalSeconds = q.value(c++).toInt();
    const int sampleCount = q.value(c++).toInt();
    const QString shown = q.value(c++).toString();
    r.shown = shown.isEmpty() ? QStringList() : shown.split(fieldSeparator());
    for (double *v :
         {&r.powerRec, &r.powerMax, &r.powerMin, &r.powerAvg, &r.energy, &r.duration, &r.powerRt})
        *v = q.value(c++).toDouble();
    r.unit = q.value(c++).toString();
    r.firmware = q.value(c++).toString();
    r.productionDate = QDate::fromString(q.value(c++).toString(), Qt::ISODate);
    r.calibrationDate = QDate::fromString(q.value(c++).toString(), Qt::ISODate);
    r.downloadedAt = QDateTime::fromString(q.value(c++).toString(), Qt::ISODate);
    r.sha256 = q.value(c++).toString();
    r.testLight = q.value(c++).toString();
    r.company = q.value(c++).toString();
    r.tester = q.value(c++).toString();
    r.auditor = q.value(c++).toString();
    r.doseUjCm2 = q.value(c++).toDouble();
    r.doseFlagged = q.value(c++).toInt() != 0;
    const QVariant offset = q.value(c++);
    if (!offset.isNull())
        r.utcOffsetSeconds = offset.toInt();
    r.removed = q.value(c++).toInt() != 0;
    r.serial = q.value(c++).toString();
    r.modelCode = static_cast<quint32>(q.value(c++).toLongLong());
    r.modelName = q.value(c++).toString();
    if (withBytes) {
        r.samples = q.value(c++).toByteArray();
        r.rawFrames = q.value(c++).toByteArray();
    } else {
        r.listedSampleCount = sampleCount;
    }
    return r;
}
