#pragma once

#include <QDateTime>
#include <QString>

// Who writes to the library, as the audit trail names them: the computer, the user signed in
// to its operating system, and the program with its version.
class Station
{
public:
    static QString host();
    static QString user();
    static QString program();
    // The station's offset from UTC at `when`, in seconds east.
    static int utcOffsetSeconds(const QDateTime &when = QDateTime::currentDateTimeUtc());
    // "+01:00", "-05:30".
    static QString offsetText(int seconds);
};
