#include "recordingjson.h"

#include "processwindow.h"
#include "recordingrows.h"
#include "station.h"
#include "verdict.h"

#include <cmath>

namespace {

QJsonValue dateValue(const QDate &date)
{
    return date.isValid() ? QJsonValue(date.toString(Qt::ISODate)) : QJsonValue();
}

} // namespace

QJsonValue RecordingJson::number(double value)
{
    if (!std::isfinite(value))
        return QJsonValue();
    return RecordingRows::shortestValue(value);
}

QJsonValue RecordingJson::verdict(const Recording &recording, const ProcessWindow *window)
{
    if (!window)
        return QJsonValue();
    const Verdict v = window->check(recording);
    return QJsonObject{
        {QStringLiteral("window"), v.window},
        {QStringLiteral("pass"), v.isPass()},
        {QStringLiteral("failed"), QJsonArray::fromStringList(v.failed)},
    };
}

QJsonObject RecordingJson::entry(const Recording &r, const ProcessWindow *window)
{
    const bool logger = r.family == Recording::Family::Logger;
    QJsonObject o{
        {QStringLiteral("id"), r.id},
        {QStringLiteral("family"), r.familyName()},
        {QStringLiteral("serial"), r.serial},
        {QStringLiteral("model"), r.modelName},
        {QStringLiteral("model_code"), qint64(r.modelCode)},
        {QStringLiteral("group"), r.group},
        {QStringLiteral("start_time"), logger && r.startTime.isValid()
                                           ? QJsonValue(r.startTime.toString(Qt::ISODate))
                                           : QJsonValue()},
        {QStringLiteral("interval_s"), r.intervalSeconds},
        {QStringLiteral("sample_count"), logger ? r.sampleCount() : 0},
        {QStringLiteral("power_rec"), number(r.powerRec)},
        {QStringLiteral("power_max"), number(r.powerMax)},
        {QStringLiteral("power_min"), number(r.powerMin)},
        {QStringLiteral("power_avg"), number(r.powerAvg)},
        {QStringLiteral("downloaded_at"),
         r.downloadedAt.isValid() ? QJsonValue(r.downloadedAt.toUTC().toString(Qt::ISODate))
                                  : QJsonValue()},
        {QStringLiteral("sha256"), r.sha256},
        // The instrument's clock, and what it meant in UTC at the station that downloaded it.
        {QStringLiteral("utc_offset"),
         r.utcOffsetSeconds ? QJsonValue(Station::offsetText(*r.utcOffsetSeconds)) : QJsonValue()},
        {QStringLiteral("start_utc"), logger && r.startUtc().isValid()
                                          ? QJsonValue(r.startUtc().toString(Qt::ISODate))
                                          : QJsonValue()},
        {QStringLiteral("removed"), r.removed},
    };
    if (logger) {
        o.insert(QStringLiteral("dose_uj_cm2"), number(r.doseUjCm2));
        o.insert(QStringLiteral("dose_flagged"), r.doseFlagged);
    } else {
        o.insert(QStringLiteral("energy"), number(r.energy));
        o.insert(QStringLiteral("duration_s"), number(r.duration));
        o.insert(QStringLiteral("power_rt"), number(r.powerRt));
        o.insert(QStringLiteral("unit"), r.unit);
    }
    o.insert(QStringLiteral("verdict"), verdict(r, window));
    return o;
}

QJsonObject RecordingJson::details(const Recording &r, const ProcessWindow *window)
{
    QJsonObject o = entry(r, window);
    o.insert(QStringLiteral("firmware"), r.firmware);
    o.insert(QStringLiteral("production_date"), dateValue(r.productionDate));
    o.insert(QStringLiteral("calibration_date"), dateValue(r.calibrationDate));
    o.insert(QStringLiteral("test_light"), r.testLight);
    o.insert(QStringLiteral("company"), r.company);
    o.insert(QStringLiteral("tester"), r.tester);
    o.insert(QStringLiteral("auditor"), r.auditor);
    if (r.family == Recording::Family::Logger)
        o.insert(QStringLiteral("samples"), samples(r));
    return o;
}

QJsonArray RecordingJson::samples(const Recording &r)
{
    QJsonArray values;
    // The bytes themselves: a recording read by list() has only their count.
    const int count = int(r.samples.size() / 4);
    for (int i = 0; i < count; ++i)
        values.append(number(r.sample(i)));
    return values;
}
