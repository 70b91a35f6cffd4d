#include "samplerows.h"

#include <QtEndian>

#include <cstring>

QStringList SampleRows::headers()
{
    return {QStringLiteral("NUM"), QStringLiteral("VAL")};
}

int SampleRows::count(const QByteArray &groupData)
{
    return groupData.size() > HeaderSize ? int((groupData.size() - HeaderSize) / SampleSize) : 0;
}

float SampleRows::value(const QByteArray &groupData, int index)
{
    if (index < 0 || index >= count(groupData))
        return 0;
    const quint32 raw =
        qFromLittleEndian<quint32>(groupData.constData() + HeaderSize + SampleSize * index);
    float value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

QString SampleRows::valueText(float value)
{
    return QString::number(value, 'f', 1);
}

QStringList SampleRows::row(const QByteArray &groupData, int index)
{
    return {QString::number(index + 1), valueText(value(groupData, index))};
}
