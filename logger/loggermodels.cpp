#include "loggermodels.h"

#include "instrumentmodels.h"

QString LoggerModels::name(quint32 code)
{
    return InstrumentModels::name(code, InstrumentModels::Logger);
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
