#include "processwindow.h"

#include "recording.h"
#include "verdict.h"

#include <QCoreApplication>
#include <cmath>

namespace {

bool finiteOrUnset(const std::optional<double> &bound)
{
    return !bound || std::isfinite(*bound);
}

// How many base units (uW/cm², uJ/cm²) one unit of a meter's power unit is.
bool powerScale(const QString &unit, double &scale)
{
    static const struct {
        const char *unit;
        double scale;
    } kUnits[] = {{"uW/cm²", 1}, {"mW/cm²", 1e3}, {"W/cm²", 1e6}, {"W/m²", 1e2}};
    for (const auto &u : kUnits) {
        if (unit == QString::fromUtf8(u.unit)) {
            scale = u.scale;
            return true;
        }
    }
    return false;
}

} // namespace

QString ProcessWindow::problem() const
{
    if (name.trimmed().isEmpty())
        return QCoreApplication::translate("ProcessWindow", "A process window needs a name.");
    if (!finiteOrUnset(minPeak) || !finiteOrUnset(maxPeak) || !finiteOrUnset(minDose) ||
        !finiteOrUnset(maxDose))
        return QCoreApplication::translate("ProcessWindow", "The limits of \"%1\" must be numbers.")
            .arg(name);
    if (minPeak && maxPeak && *minPeak > *maxPeak)
        return QCoreApplication::translate("ProcessWindow",
                                           "In \"%1\" the minimum peak is above the maximum peak.")
            .arg(name);
    if (minDose && maxDose && *minDose > *maxDose)
        return QCoreApplication::translate("ProcessWindow",
                                           "In \"%1\" the minimum dose is above the maximum dose.")
            .arg(name);
    return {};
}

bool ProcessWindow::peakAndDose(const Recording &recording, double &peakUwCm2, double &doseUjCm2,
                                bool &doseFlagged)
{
    if (recording.family == Recording::Family::Logger) {
        peakUwCm2 = recording.powerMax;
        doseUjCm2 = recording.doseUjCm2;
        doseFlagged = recording.doseFlagged;
    } else {
        // Each power unit goes with the energy unit of the same prefix.
        double scale = 0;
        if (!powerScale(recording.unit, scale))
            return false;
        peakUwCm2 = recording.powerMax * scale;
        doseUjCm2 = recording.energy * scale;
        doseFlagged = false;
    }
    if (!std::isfinite(doseUjCm2)) {
        doseUjCm2 = 0;
        doseFlagged = true;
    }
    return true;
}

Verdict ProcessWindow::check(const Recording &recording) const
{
    Verdict verdict;
    verdict.window = name;
    double peak = 0, dose = 0;
    bool doseFlagged = false;
    if (!peakAndDose(recording, peak, dose, doseFlagged)) {
        verdict.outcome = Verdict::Outcome::Fail;
        verdict.failed << QStringLiteral("unknown_unit");
        return verdict;
    }
    // A peak that is not a number (a meter's value, an entry of an older library) never
    // passes a peak limit either.
    if ((minPeak || maxPeak) && !std::isfinite(peak)) {
        verdict.failed << QStringLiteral("peak_undefined");
    } else {
        if (minPeak && peak < *minPeak)
            verdict.failed << QStringLiteral("min_peak");
        if (maxPeak && peak > *maxPeak)
            verdict.failed << QStringLiteral("max_peak");
    }
    // A dose that could not be counted whole never passes a dose limit.
    if (hasDoseLimit() && doseFlagged) {
        verdict.failed << QStringLiteral("dose_undefined");
    } else {
        if (minDose && dose < *minDose)
            verdict.failed << QStringLiteral("min_dose");
        if (maxDose && dose > *maxDose)
            verdict.failed << QStringLiteral("max_dose");
    }
    verdict.outcome = verdict.failed.isEmpty() ? Verdict::Outcome::Pass : Verdict::Outcome::Fail;
    return verdict;
}
