#pragma once

#include "recording.h"

#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

// Recordings as CSV (RFC 4180, UTF-8 after a byte-order mark, CRLF line ends): the rows of
// RecordingRows under their header (NUM, VAL, TIME_S, TIME for a logger recording), with an ID
// column first when there are several recordings. One file holds one family, as the two have
// different columns.
class RecordingCsv
{
public:
    // False with a message when the recordings cannot share a file or the device fails.
    static bool write(QIODevice &device, const QList<Recording> &recordings, QString *error);

    // A field quoted where it holds a comma, a quote or a line break, quotes doubled; a text
    // that a spreadsheet would take for a formula (=, +, -, @, tab or carriage return first)
    // quoted after a leading apostrophe.
    static QString field(const QString &text);
    static QString line(const QStringList &fields);
};
