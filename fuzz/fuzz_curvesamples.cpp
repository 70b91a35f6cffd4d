// Sample decoding of the logger's curve: one value per whole little-endian float after
// the 6 start-time bytes, as stored.
#include "fuzzcheck.h"
#include "uvpowercurvepagefor416.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray group(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QVector<double> samples = UVPowerCurvePageFor416::samplesOf(group);
    const qsizetype count = group.size() < 10 ? 0 : (group.size() - 6) / 4;
    check(samples.size() == count);
    for (qsizetype i = 0; i < count; ++i) {
        const uint8_t *p = data + 6 + 4 * i;
        const quint32 bits =
            quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
        float stored;
        std::memcpy(&stored, &bits, sizeof stored);
        // Widening keeps the value; NaN stays NaN.
        if (stored != stored)
            check(samples.at(i) != samples.at(i));
        else
            check(samples.at(i) == double(stored));
    }
    return 0;
}
