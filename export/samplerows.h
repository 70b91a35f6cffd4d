#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The rows a logger group's workbook holds, without widgets: headers NUM and VAL, one row
// per complete sample of the group bytes (6 start-time bytes, then little-endian float32),
// the number from 1 and the value with one decimal.
class SampleRows
{
public:
    static constexpr int HeaderSize = 6;
    static constexpr int SampleSize = 4;

    static QStringList headers();
    static int count(const QByteArray &groupData);
    // Index from 0, below count().
    static float value(const QByteArray &groupData, int index);
    static QString valueText(float value);
    static QStringList row(const QByteArray &groupData, int index);
};
