#include "energycheck.h"

#include "recording.h"

#include <QCoreApplication>
#include <cmath>

EnergyCheck EnergyCheck::of(double energy, double averagePower, double durationSeconds)
{
    EnergyCheck check;
    check.energy = energy;
    check.expected = averagePower * durationSeconds;
    if (!std::isfinite(energy) || !std::isfinite(check.expected))
        return check;
    check.applicable = true;
    const double difference = std::fabs(energy - check.expected);
    if (check.expected != 0)
        check.deviation = difference / std::fabs(check.expected);
    else
        check.deviation = difference == 0 ? 0 : 1; // energy where none was expected
    check.flagged = check.deviation > Tolerance;
    return check;
}

EnergyCheck EnergyCheck::of(const Recording &recording)
{
    if (recording.family != Recording::Family::Meter)
        return {};
    return of(recording.energy, recording.powerAvg, recording.duration);
}

QString EnergyCheck::note() const
{
    if (!flagged)
        return {};
    return QCoreApplication::translate("EnergyCheck",
                                       "The energy differs from AVG × duration (%1) by %2 %: "
                                       "check the unit and the run.")
        .arg(expected, 0, 'g', 6)
        .arg(deviation * 100, 0, 'f', 1);
}
