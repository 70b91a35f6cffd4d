#include "recordingrows.h"

#include "samplerows.h"

#include <charconv>
#include <cmath>
#include <limits>

RecordingRows::RecordingRows(const Recording &recording)
    : m_recording(recording),
      m_group(recording.family == Recording::Family::Logger ? recording.groupData() : QByteArray())
{
}

QStringList RecordingRows::headers() const
{
    if (m_recording.family == Recording::Family::Logger)
        return SampleRows::headers();
    return {QStringLiteral("Energy"),     QStringLiteral("Duration"),
            QStringLiteral("Power(RT)"),  QStringLiteral("Power(MAX)"),
            QStringLiteral("Power(MIN)"), QStringLiteral("Power(AVG)"),
            QStringLiteral("Unit")};
}

int RecordingRows::count() const
{
    return m_recording.family == Recording::Family::Logger ? SampleRows::count(m_group) : 1;
}

QStringList RecordingRows::row(int index) const
{
    if (m_recording.family == Recording::Family::Logger)
        return SampleRows::row(m_group, index);
    const Recording &r = m_recording;
    QStringList texts;
    for (double value : {r.energy, r.duration, r.powerRt, r.powerMax, r.powerMin, r.powerAvg})
        texts << shortest(value);
    texts << r.unit;
    return texts;
}

QString RecordingRows::shortest(double value)
{
    char text[64];
    std::to_chars_result end{};
    const bool isFloat = std::isfinite(value) &&
                         std::fabs(value) <= double(std::numeric_limits<float>::max()) &&
                         double(float(value)) == value;
    if (isFloat)
        end = std::to_chars(text, text + sizeof text, float(value));
    else
        end = std::to_chars(text, text + sizeof text, value);
    if (end.ec != std::errc())
        return QString::number(value, 'g', 17);
    return QString::fromLatin1(text, int(end.ptr - text));
}
