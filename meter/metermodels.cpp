#include "metermodels.h"

namespace {

using P = MeterModels::Profile;

const MeterModels::Model kModels[] = {
    {7001297, "VT415-M1", P::A}, {7002395, "VT415-M2", P::B}, {7003395, "VT415-M3", P::B},
    {7004254, "VT415-M4", P::A}, {7004365, "VT415-M5", P::C}, {7005254, "VT415-M6", P::A},
    {7005365, "VT415-M7", P::A}, {7005395, "VT415-M8", P::A}, {7006254, "VT415-M9", P::A},
    {5631416, "VT416A", P::B},   {5632417, "VT417B", P::A},   {5633417, "VT417C", P::A},
};

constexpr quint32 kSecondCodeOffset = 20000000;

// Rows: profile A, B, C; columns: unit 0..3.
constexpr int kDecimals[3][4] = {
    {1, 4, -1, 3},
    {-1, 0, 3, 0},
    {-1, 1, -1, 0},
};

} // namespace

const MeterModels::Model *MeterModels::find(quint32 code)
{
    for (const Model &model : kModels) {
        if (code == model.code || code == model.code + kSecondCodeOffset)
            return &model;
    }
    return nullptr;
}

QString MeterModels::name(quint32 code)
{
    const Model *model = find(code);
    return model ? QString::fromLatin1(model->name) : QStringLiteral("UnKnow");
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
