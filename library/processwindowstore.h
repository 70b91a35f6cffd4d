#pragma once

#include "processwindow.h"

#include <QList>
#include <QString>

class RecordingLibrary;

// The process windows kept between runs (QSettings), and the one recordings are checked
// against. The program and the command line read the same settings.
class ProcessWindowStore
{
public:
    static QList<ProcessWindow> all();
    // Refuses (with the first window's problem, or a name used twice) and keeps nothing
    // when any window cannot be used.
    // Each window added, changed or removed is an entry of `trail`'s audit trail, if given.
    static bool save(const QList<ProcessWindow> &windows, QString &error,
                     RecordingLibrary *trail = nullptr);
    // The chosen window's name; empty when none is.
    static QString chosenName();
    static void setChosenName(const QString &name);
    // The chosen window; false when none is chosen or it no longer exists.
    static bool chosen(ProcessWindow &window);
    static bool find(const QString &name, ProcessWindow &window);
};
