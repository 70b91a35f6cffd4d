#include "hostprocess.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

// The program and the arguments put before the caller's.
QStringList command(const QString &program)
{
    if (program == QLatin1String("python3"))
        return {QStringLiteral("/usr/bin/python3")};
    if (program == QLatin1String("pgtest"))
        return {QStringLiteral("bash"), QStringLiteral(SOLVANE_SUPPORT_PGTEST_SCRIPT)};
    const QString found = QStandardPaths::findExecutable(program);
    return found.isEmpty() ? QStringList() : QStringList{found};
}

} // namespace

HostProcess::Result HostProcess::run(const QString &program, const QStringList &arguments,
                                     int timeoutMs)
{
    Result result;
    const QStringList line = command(program);
    if (line.isEmpty())
        return result;
    QProcess process;
    process.start(line.first(), line.mid(1) + arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.ran = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

bool HostProcess::available(const QString &program)
{
    return !command(program).isEmpty();
}
