#include "dose.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

Dose Dose::of(const QByteArray &samplesLittleEndian, int intervalSeconds)
{
    Dose dose;
    const qsizetype count = samplesLittleEndian.size() / 4;
    double sum = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const quint32 bits = qFromLittleEndian<quint32>(samplesLittleEndian.constData() + 4 * i);
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value))
            sum += value;
        else
            ++dose.nonFiniteSamples;
    }
    const double total = sum * intervalSeconds;
    const bool usable = count > 0 && intervalSeconds > 0 && std::isfinite(total);
    dose.microjoulesPerCm2 = usable ? total : 0;
    dose.flagged = !usable || dose.nonFiniteSamples > 0;
    return dose;
}

Dose Dose::of(const Recording &recording)
{
    return of(recording.samples, recording.intervalSeconds);
}

QString Dose::text(double microjoulesPerCm2)
{
    const double v = std::isfinite(microjoulesPerCm2) ? microjoulesPerCm2 : 0;
    const double size = std::fabs(v);
    if (size < 1e3)
        return QString::number(v, 'f', 1) + QStringLiteral(" uJ/cm²");
    if (size < 1e6)
        return QString::number(v / 1e3, 'f', 2) + QStringLiteral(" mJ/cm²");
    return QString::number(v / 1e6, 'f', 3) + QStringLiteral(" J/cm²");
}
