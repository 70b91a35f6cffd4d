#pragma once

#include "virtualinstrument.h"

#include <QString>

class QObject;

// The virtual instruments that stand in for a real one in demo mode.
class DemoInstrument
{
public:
    // "meter" or "logger"; null for any other name.
    static VirtualInstrument *create(const QString &name, QObject *parent);
    static VirtualInstrument *createMeter(QObject *parent);
    static VirtualInstrument *createLogger(QObject *parent);
};
