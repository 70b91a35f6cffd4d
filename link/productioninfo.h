#pragma once

#include <QDate>
#include <QtGlobal>

// The instrument's production record.
struct ProductionInfo {
    quint8 kindByte = 0;
    QDate productionDate;
    quint32 serialNumber = 0;
    quint32 modelCode = 0;
    quint16 auxWord = 0;
    quint8 auxByte1 = 0;
    quint8 auxByte2 = 0;
};
