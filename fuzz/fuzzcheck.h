#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <cstdlib>

// What the fuzz targets share: a broken check ends the run at once, so that libFuzzer
// keeps the input; bytes are read unsigned; the link's log stays quiet.

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

inline quint8 byteAt(const QByteArray &bytes, qsizetype i)
{
    return static_cast<quint8>(bytes.at(i));
}

// The link reports every open and failed read; that output would only slow the runs down.
inline void quietMessages()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
}
