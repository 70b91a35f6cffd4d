#include "instrumentmodels.h"

namespace {

using F = InstrumentModels::Family;
using P = InstrumentModels::Profile;

const InstrumentModels::Model kModels[] = {
    {7001297, "VT415-M1", F::Meter, P::A},    {7002395, "VT415-M2", F::Meter, P::B},
    {7003395, "VT415-M3", F::Meter, P::B},    {7004254, "VT415-M4", F::Meter, P::A},
    {7004365, "VT415-M5", F::Meter, P::C},    {7005254, "VT415-M6", F::Meter, P::A},
    {7005365, "VT415-M7", F::Meter, P::A},    {7005395, "VT415-M8", F::Meter, P::A},
    {7006254, "VT415-M9", F::Meter, P::A},    {5631416, "VT416A", F::Meter, P::B},
    {5632417, "VT417B", F::Meter, P::A},      {5633417, "VT417C", F::Meter, P::A},
    {5633416, "VT416C", F::Logger, P::None},  {7003416, "VT416C", F::Logger, P::None},
    {25633416, "VT416C", F::Logger, P::None},
};

} // namespace

const InstrumentModels::Model *InstrumentModels::find(quint32 code, Family family)
{
    for (const Model &model : kModels) {
        if (model.family != family)
            continue;
        if (code == model.code || (family == Meter && code == model.code + SecondCodeOffset))
            return &model;
    }
    return nullptr;
}

InstrumentModels::Family InstrumentModels::familyOf(quint32 code)
{
    return find(code, Logger) ? Logger : Meter;
}

QString InstrumentModels::name(quint32 code, Family family)
{
    const Model *model = find(code, family);
    return model ? QString::fromLatin1(model->name) : QStringLiteral("UnKnow");
}
