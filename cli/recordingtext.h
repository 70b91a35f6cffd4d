#pragma once

#include "recording.h"

#include <QList>
#include <QString>
#include <QStringList>

class ProcessWindow;

// Recordings as text for a person at a terminal. The verdict is against `window`; without one
// there is none.
class RecordingText
{
public:
    // One line per recording, the columns aligned: id, family, serial, model, group, start
    // (logger) or download time (meter), sample count or unit, the statistics, the dose and
    // the verdict.
    static QStringList listLines(const QList<Recording> &recordings, const ProcessWindow *window);
    // A header of the recording's details, then its rows tab-separated under their names.
    static QString show(const Recording &recording, const ProcessWindow *window);
    // "850.0 uJ/cm²", with "(flagged)" where it could not be counted whole; empty where a
    // meter group's unit is not known.
    static QString doseText(const Recording &recording);
    // `text` safe to print: a stored text comes from any station of a shared library, and a
    // control character or a bidi override in it would steer the terminal or hide what
    // follows. Each becomes U+FFFD, a tab a space; JSON keeps the text exact.
    static QString printable(QString text);
    // "NAME: pass" or "NAME: fail: ..."; empty without a window.
    static QString verdictText(const Recording &recording, const ProcessWindow *window);
};
