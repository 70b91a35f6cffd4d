#pragma once

#include <QString>

class Recording;

// A meter group's energy against its average power × duration: both are in the same unit
// family (uW/cm² with uJ/cm² and so on), so they should agree; more than 5 % apart hints that
// the unit or the run was not what the user thought.
class EnergyCheck
{
public:
    static constexpr double Tolerance = 0.05;

    double energy = 0;
    double expected = 0; // average × duration
    // |energy − expected| / expected; 0 when both are 0.
    double deviation = 0;
    bool flagged = false;
    bool applicable = false; // false for a logger recording or values that are not numbers

    static EnergyCheck of(double energy, double averagePower, double durationSeconds);
    static EnergyCheck of(const Recording &recording);
    // Translated: "Energy differs from AVG × duration by 7.3 %", empty when not flagged.
    QString note() const;
};
