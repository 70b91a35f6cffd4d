#pragma once

#include "recording.h"

#include <QList>
#include <QString>
#include <QStringList>

// Recordings as text for a person at a terminal.
class RecordingText
{
public:
    // One line per recording, the columns aligned: id, family, serial, model, group, start
    // (logger) or download time (meter), sample count or unit, and the statistics.
    static QStringList listLines(const QList<Recording> &recordings);
    // A header of the recording's details, then its rows tab-separated under their names.
    static QString show(const Recording &recording);
};
