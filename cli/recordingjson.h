#pragma once

#include "recording.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

// A recording as JSON. Times are ISO 8601: the start time as the instrument's clock had it
// (no zone), the download time in UTC. A value that is not finite is null, never invalid JSON.
class RecordingJson
{
public:
    // What list prints per entry.
    static QJsonObject entry(const Recording &recording);
    // What show prints: the entry, the instrument's details, the report texts and the samples.
    static QJsonObject details(const Recording &recording);
    static QJsonArray samples(const Recording &recording);
    static QJsonValue number(double value);
};
