#pragma once

#include <QSettings>

// The settings the program and the command line keep between runs, in one file under the
// program's own name whatever names the running application was given (tests, tools): on
// Linux ~/.config/solvane/solvane.conf, on Windows %APPDATA%\solvane\solvane.ini (an INI
// file, so that nothing is written to the registry). SOLVANE_CONFIG_DIR names another
// folder (a portable copy, a test): its solvane.ini is used instead.
class ProgramSettings : public QSettings
{
public:
    ProgramSettings();

    static QString filePath();
};
