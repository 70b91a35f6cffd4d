#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The host's read-back tools (python3 with openpyxl, pdftotext) and the test server's script
// ("pgtest"), run to their end. Test programs under Wine cannot start Linux programs: there
// a bridge on the host (scripts/windows/hostbridge.py) runs them.
class HostProcess
{
public:
    struct Result {
        bool ran = false; // started and ended within the time
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    static Result run(const QString &program, const QStringList &arguments, int timeoutMs = 60000);
    static bool available(const QString &program);
};
