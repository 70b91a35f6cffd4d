#include "metermodels.h"

namespace {

// Rows: profile A, B, C; columns: unit 0..3.
constexpr int kDecimals[3][4] = {
    {1, 4, -1, 3},
    {-1, 0, 3, 0},
    {-1, 1, -1, 0},
};

} // namespace

const MeterModels::Model *MeterModels::find(quint32 code)
{
    return InstrumentModels::find(code, InstrumentModels::Meter);
}

QString MeterModels::name(quint32 code)
{
    return InstrumentModels::name(code, InstrumentModels::Meter);
}

MeterModels::Profile MeterModels::profile(quint32 code)
{
    const Model *model = find(code);
    return model ? model->profile : Profile::None;
}

int MeterModels::decimals(Profile profile, int unit)
{
    if (profile == Profile::None || unit < 0 || unit > 3)
        return -1;
    return kDecimals[static_cast<int>(profile) - 1][unit];
}
