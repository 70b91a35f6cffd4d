#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// The command line of solvane-cli: the global options, one command, its own options and
// recording IDs. parse() only reads; what to do, and for a usage error why, is in the result.
class CliOptions
{
public:
    enum class Command { None, Info, Download, List, Show, Export, Delete, Restore, Verify, Audit };
    enum class Format { None, Xlsx, Csv, Json };
    enum class Action { Run, Help, Version, UsageError };

    // The arguments after the program name.
    static CliOptions parse(const QStringList &arguments);
    // The text --help prints.
    static QString usage();
    // One line for a usage error: the command's own synopsis, or the general one.
    QString usageHint() const;

    Action action = Action::UsageError;
    QString error;

    Command command = Command::None;
    QString library; // empty: the default library
    QString demo;    // empty, "meter" or "logger"
    bool json = false;
    QString serial;
    QDate since;
    Format format = Format::None;
    QString output;
    QString window;       // empty: the process window chosen in the program
    QList<qint64> ids;    // in the order given, each once
    QString reason;       // delete, restore: why, for the audit trail
    qint64 recording = 0; // audit: only this recording's entries
    QString head;         // verify: a head hash written down before
    bool removed = false; // list: the removed recordings instead

private:
    bool setValue(unsigned option, const QString &value);
    bool checkCommand(unsigned seen, const QStringList &positional);
    bool fail(const QString &why);
};
