#include "recordingrows.h"

#include <charconv>
#include <cmath>
#include <limits>

RecordingRows::RecordingRows(const Recording &recording)
    : m_recording(recording), m_logger(recording.family == Recording::Family::Logger),
      m_samples(recording)
{
}

QStringList RecordingRows::headers() const
{
    if (m_logger)
        return SampleRows::headers();
    return {QStringLiteral("Energy"),     QStringLiteral("Duration"),
            QStringLiteral("Power(RT)"),  QStringLiteral("Power(MAX)"),
            QStringLiteral("Power(MIN)"), QStringLiteral("Power(AVG)"),
            QStringLiteral("Unit")};
}

int RecordingRows::count() const
{
    return m_logger ? m_samples.count() : 1;
}

QList<double> RecordingRows::meterValues(const Recording &r)
{
    return {r.energy, r.duration, r.powerRt, r.powerMax, r.powerMin, r.powerAvg};
}

QStringList RecordingRows::row(int index) const
{
    if (m_logger) {
        QByteArray line;
        m_samples.appendRow(line, index, '\t');
        return QString::fromLatin1(line).split(QLatin1Char('\t'));
    }
    QStringList texts;
    for (double value : meterValues(m_recording))
        texts << shortest(value);
    texts << m_recording.unit;
    return texts;
}

double RecordingRows::shortestValue(double value)
{
    return std::isfinite(value) ? shortest(value).toDouble()
                                : std::numeric_limits<double>::quiet_NaN();
}

QString RecordingRows::shortest(double value)
{
    if (!std::isfinite(value))
        return {};
    char text[512];
    std::to_chars_result end{};
    const double size = std::fabs(value);
    const bool isFloat =
        size <= double(std::numeric_limits<float>::max()) && double(float(value)) == value;
    // Plain digits where they are not many ("2500000", not "2.5e+06"), as a person reads them.
    const std::chars_format form = size == 0 || (size >= 1e-4 && size < 1e15)
                                       ? std::chars_format::fixed
                                       : std::chars_format::general;
    if (isFloat)
        end = std::to_chars(text, text + sizeof text, float(value), form);
    else
        end = std::to_chars(text, text + sizeof text, value, form);
    if (end.ec != std::errc())
        return QString::number(value, 'g', 17);
    return QString::fromLatin1(text, int(end.ptr - text));
}
