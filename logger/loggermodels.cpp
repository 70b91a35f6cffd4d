#include "loggermodels.h"

QString LoggerModels::name(quint32 code)
{
    switch (code) {
    case 5633416:
    case 7003416:
    case 25633416:
        return QStringLiteral("VT416C");
    default:
        return QStringLiteral("UnKnow");
    }
}

int LoggerModels::intervalSeconds(int autoOff, int intervalId)
{
    if (autoOff == 1)
        return 1;
    switch (intervalId) {
    case 1:
        return 10;
    case 2:
        return 60;
    default:
        return 1;
    }
}
