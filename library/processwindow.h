#pragma once

#include <QString>
#include <optional>

class Recording;
class Verdict;

// Named limits a recording is checked against: peak irradiance in uW/cm² and dose in
// uJ/cm², each bound optional. A meter group is checked on its maximum and its energy,
// brought to the same units.
class ProcessWindow
{
public:
    QString name;
    std::optional<double> minPeak;
    std::optional<double> maxPeak;
    std::optional<double> minDose;
    std::optional<double> maxDose;

    // Why the window cannot be used (no name, a bound that is not a number, a minimum above
    // its maximum), translated; empty when it can.
    QString problem() const;
    bool hasDoseLimit() const { return minDose || maxDose; }

    Verdict check(const Recording &recording) const;

    // A recording's peak in uW/cm² and dose in uJ/cm²; false where the meter unit is unknown.
    static bool peakAndDose(const Recording &recording, double &peakUwCm2, double &doseUjCm2,
                            bool &doseFlagged);
};
