#pragma once

#include "recording.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

class ProcessWindow;

// A recording as JSON. Times are ISO 8601: the start time as the instrument's clock had it
// (no zone), the download time in UTC. A value that is not finite is null, never invalid JSON.
// The verdict is against `window`, null where there is none.
class RecordingJson
{
public:
    // What list prints per entry.
    static QJsonObject entry(const Recording &recording, const ProcessWindow *window);
    // What show prints: the entry, the instrument's details, the report texts and the samples.
    static QJsonObject details(const Recording &recording, const ProcessWindow *window);
    // {"window": name, "pass": bool, "failed": [keys]}, or null without a window.
    static QJsonValue verdict(const Recording &recording, const ProcessWindow *window);
    static QJsonArray samples(const Recording &recording);
    static QJsonValue number(double value);
};
