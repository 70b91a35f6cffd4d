#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <initializer_list>

// Byte builders and little-endian readers for frames written and checked by hand. The
// readers give 0 for a field that does not fit in the bytes.
class Bytes
{
public:
    // "AB 20 1C" or "ab201c".
    static QByteArray hex(const char *text);
    static QByteArray of(std::initializer_list<int> values);
    // The frame with its CRC-16 appended, low byte first.
    static QByteArray withCrc(QByteArray frame);
    // Whether the last two bytes are the CRC of the others.
    static bool crcOk(const QByteArray &frame);

    static quint16 le16(const QByteArray &bytes, qsizetype at);
    static quint32 le32(const QByteArray &bytes, qsizetype at);
    static float leFloat(const QByteArray &bytes, qsizetype at);
    static QByteArray le16Bytes(quint16 value);
    static QByteArray le32Bytes(quint32 value);
    static QByteArray floatBytes(float value);
    // Samples as the logger sends them: float32, little-endian, one after the other.
    static QByteArray floats(const QList<float> &values);
};
