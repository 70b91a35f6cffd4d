#pragma once

#include <QString>
#include <QtGlobal>

// The logger models and the meaning of their host settings.
class LoggerModels
{
public:
    // Model name for a production record's model code; "UnKnow" for any other code.
    static QString name(quint32 code);
    // Seconds between stored samples: with auto off on (1) always 1, otherwise by the
    // interval id (1: 10 s, 2: 60 s, anything else 1 s).
    static int intervalSeconds(int autoOff, int intervalId);
};
