#pragma once

#include "instrumentmodels.h"

#include <QString>
#include <QtGlobal>

// The meter models of the model table, and how many decimals each unit shows.
class MeterModels
{
public:
    using Profile = InstrumentModels::Profile;
    using Model = InstrumentModels::Model;

    // The model of this code (each model has a second code 20000000 higher); null when unknown.
    static const Model *find(quint32 code);
    static QString name(quint32 code);
    static Profile profile(quint32 code);
    // Decimals of energy and power for this profile and unit index; -1 when not shown.
    static int decimals(Profile profile, int unit);
};
