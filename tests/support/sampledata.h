#pragma once

#include "virtualinstrument.h"

// Contents for the virtual instrument that tests and benchmarks share.
class SampleData
{
public:
    // Groups whose every value differs from group to group.
    static QVector<VirtualInstrument::MeterGroup> meterGroups(int count);
    // `count` recordings of `samples` values: the g-th about 100 (g + 1), wavy by `amplitude`
    // over `period` samples, started g days and g minutes after `first`.
    static QVector<VirtualInstrument::Recording> recordings(int count, int samples, float amplitude,
                                                            int period, const QDateTime &first);
};
