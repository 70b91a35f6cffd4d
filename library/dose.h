#pragma once

#include "recording.h"

#include <QByteArray>
#include <QString>

// The dose (energy density) of a logger recording: the sum of irradiance × interval over its
// samples, one interval per sample, the interval in force at the download. Irradiance is in
// uW/cm², so the dose is in uJ/cm². A sample that is not a finite number counts as 0; such a
// sample, no sample at all or an interval of 0 flags the dose, which is then still a finite
// number (0 where nothing counts).
class Dose
{
public:
    double microjoulesPerCm2 = 0;
    bool flagged = false;
    int nonFiniteSamples = 0;

    static Dose of(const QByteArray &samplesLittleEndian, int intervalSeconds);
    static Dose of(const Recording &recording);

    // "850.0 uJ/cm²", "12.35 mJ/cm²", "1.204 J/cm²": the unit by the size.
    static QString text(double microjoulesPerCm2);
};
