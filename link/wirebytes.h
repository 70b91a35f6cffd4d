#pragma once

#include <QByteArray>
#include <QtGlobal>

// Little-endian numbers in frames. The readers do not check lengths: callers do.
class WireBytes
{
public:
    static quint8 read8(const QByteArray &bytes, qsizetype at)
    {
        return static_cast<quint8>(bytes.at(at));
    }
    static quint16 read16(const QByteArray &bytes, qsizetype at);
    static quint32 read32(const QByteArray &bytes, qsizetype at);
    static float readFloat(const QByteArray &bytes, qsizetype at);

    static void append16(QByteArray &bytes, quint16 value);
    static void append32(QByteArray &bytes, quint32 value);
    static void appendFloat(QByteArray &bytes, float value);
};
