#pragma once

#include <QSettings>

// The settings the program and the command line keep between runs, in one file under the
// program's own name whatever names the running application was given (tests, tools).
class ProgramSettings : public QSettings
{
public:
    ProgramSettings() : QSettings(QStringLiteral("solvane"), QStringLiteral("solvane")) {}
};
