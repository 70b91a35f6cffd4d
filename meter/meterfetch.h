#pragma once

#include "recording.h"

#include <QByteArray>
#include <QString>
#include <functional>

// The meter's stored measurement groups: their requests over the current frame exchange,
// and their replies turned into the table's texts and library entries. The meter page
// collects the replies through its polling worker; the command line, which runs none,
// collects them with collect().
class MeterFetch
{
public:
    static constexpr int MaxGroups = 9;
    // How long the replies of every requested group may take in all.
    static constexpr int TimeoutMs = 10000;

    enum class End { Done, TimedOut, LinkLost };

    // Sends the request of groups 0 .. count - 1; false when one cannot be sent.
    static bool sendRequests(int count);
    // The reply bytes `count` groups bring.
    static qsizetype expectedBytes(int count);
    // Reads the link into `buffer` until `count` group replies are in, the link goes (or
    // `abandoned` says the instrument has), or `timeoutMs` passes. Only where no worker
    // reads the link.
    static End collect(int count, QByteArray &buffer, int timeoutMs,
                       const std::function<void(qsizetype received)> &progress = {},
                       const std::function<bool()> &abandoned = {});

    // The entry of group reply `record` (from 1): `identity` with the six values, the unit
    // (0 uW/cm², 1 mW/cm², 2 W/cm², 3 W/m²; any other: none) and the table texts with the
    // model's decimals. False when the reply is too short to be one.
    static bool entry(const QByteArray &reply, int record, int unit, quint32 modelCode,
                      Recording identity, Recording &entry);
    // "uW/cm²" and so on; empty for an unknown unit.
    static QString unitName(int unit);
};
