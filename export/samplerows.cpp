#include "samplerows.h"

#include <QtEndian>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr qint64 kDay = 86400;
// The days a workbook's dates span: 1900-01-01 is day 1, 9999-12-31 day 2958465.
constexpr qint64 kFirstDay = 1;
constexpr qint64 kLastDay = 2958465;

qint64 excelEpochJulianDay()
{
    return QDate(1899, 12, 30).toJulianDay();
}

void appendNumber(QByteArray &out, qint64 value)
{
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value);
    out.append(text, end.ptr - text);
}

void appendTwoDigits(char *at, int value)
{
    at[0] = char('0' + value / 10);
    at[1] = char('0' + value % 10);
}

} // namespace

SampleRows::SampleRows(const Recording &recording)
    : m_samples(recording.family == Recording::Family::Logger ? recording.samples : QByteArray()),
      m_count(int(m_samples.size() / 4)), m_interval(recording.intervalSeconds)
{
    if (recording.family == Recording::Family::Logger && recording.startTime.isValid()) {
        const QDate date = recording.startTime.date();
        const QTime time = recording.startTime.time();
        m_hasStart = true;
        m_startSeconds = (date.toJulianDay() - excelEpochJulianDay()) * kDay +
                         time.msecsSinceStartOfDay() / 1000;
    }
}

QStringList SampleRows::headers()
{
    return {QStringLiteral("NUM"), QStringLiteral("VAL"), QStringLiteral("TIME_S"),
            QStringLiteral("TIME")};
}

float SampleRows::sample(int k) const
{
    const quint32 raw = qFromLittleEndian<quint32>(m_samples.constData() + 4 * qsizetype(k));
    float value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

double SampleRows::value(int k) const
{
    const float v = sample(k);
    if (!std::isfinite(v))
        return std::numeric_limits<double>::quiet_NaN();
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v);
    double nearest = v;
    std::from_chars(text, end.ptr, nearest);
    return nearest;
}

bool SampleRows::clockSeconds(int k, qint64 &seconds) const
{
    if (!m_hasStart)
        return false;
    seconds = m_startSeconds + qint64(k) * m_interval;
    return seconds >= kFirstDay * kDay && seconds < (kLastDay + 1) * kDay;
}

double SampleRows::excelTime(int k) const
{
    qint64 seconds = 0;
    if (!clockSeconds(k, seconds))
        return std::numeric_limits<double>::quiet_NaN();
    return double(seconds) / double(kDay);
}

QDateTime SampleRows::time(int k) const
{
    qint64 seconds = 0;
    if (!clockSeconds(k, seconds))
        return {};
    // Made from the parts, so that no zone's daylight saving moves the instrument's clock.
    return QDateTime(QDate::fromJulianDay(excelEpochJulianDay() + seconds / kDay),
                     QTime::fromMSecsSinceStartOfDay(int(seconds % kDay) * 1000));
}

void SampleRows::appendFloat(QByteArray &out, float value)
{
    char text[64];
    // Plain digits where they are not many ("1000000", not "1e+06"), as a person reads them.
    const float size = std::fabs(value);
    const bool plain = size == 0 || (size >= 1e-4f && size < 1e15f);
    const auto end = plain
                         ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
                         : std::to_chars(text, text + sizeof text, value);
    out.append(text, end.ptr - text);
}

void SampleRows::appendRow(QByteArray &out, int k, char separator) const
{
    appendNumber(out, qint64(k) + 1);
    out.append(separator);
    if (const float v = sample(k); std::isfinite(v))
        appendFloat(out, v);
    out.append(separator);
    appendNumber(out, qint64(k) * m_interval);
    out.append(separator);
    qint64 seconds = 0;
    if (!clockSeconds(k, seconds))
        return;
    int year = 0, month = 0, day = 0;
    QDate::fromJulianDay(excelEpochJulianDay() + seconds / kDay).getDate(&year, &month, &day);
    const int inDay = int(seconds % kDay);
    char text[] = "yyyy-MM-dd HH:mm:ss";
    appendTwoDigits(text, year / 100);
    appendTwoDigits(text + 2, year % 100);
    appendTwoDigits(text + 5, month);
    appendTwoDigits(text + 8, day);
    appendTwoDigits(text + 11, inDay / 3600);
    appendTwoDigits(text + 14, inDay / 60 % 60);
    appendTwoDigits(text + 17, inDay % 60);
    out.append(text, sizeof text - 1);
}
