#include "sampledata.h"

QVector<VirtualInstrument::MeterGroup> SampleData::meterGroups(int count)
{
    QVector<VirtualInstrument::MeterGroup> groups;
    for (int i = 0; i < count; ++i) {
        const float base = 1000.25f + 111.5f * i;
        groups.append(
            {base, base + 50.5f, base - 40.125f, base + 3.0625f, 2500.75f + i, 60.5f + i});
    }
    return groups;
}

QVector<VirtualInstrument::Recording>
SampleData::recordings(int count, int samples, float amplitude, int period, const QDateTime &first)
{
    QVector<VirtualInstrument::Recording> list;
    for (int g = 0; g < count; ++g) {
        QVector<float> values;
        values.reserve(samples);
        for (int k = 0; k < samples; ++k)
            values.append(100.0f * (g + 1) + amplitude * static_cast<float>((k * 7) % period));
        list.append({first.addDays(g).addSecs(60 * g), values});
    }
    return list;
}
