#pragma once

#include <QString>

// Where the program and the command line find the library: $SOLVANE_LIBRARY when set (tests,
// scripts), else the location kept in the settings, else the file in the user's data folder.
class LibrarySettings
{
public:
    static QString location();
    static void setLocation(const QString &location);
};
