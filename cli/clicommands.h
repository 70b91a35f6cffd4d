#pragma once

#include "cliinstrument.h"
#include "clioptions.h"
#include "processwindow.h"
#include "recordinglibrary.h"

#include <QTextStream>

// Runs the command the options name: data goes to `out`, messages to `err`. Each command is
// one member function; run() returns the exit status.
class CliCommands
{
public:
    enum Status { Success = 0, Failure = 1, UsageError = 2 };

    CliCommands(const CliOptions &options, QTextStream &out, QTextStream &err);

    int run();

private:
    using Handler = int (CliCommands::*)();
    static Handler handler(CliOptions::Command command);

    int info();
    int download();
    int list();
    int show();
    int exportRecordings();
    int remove();
    int restore();
    int verify();
    int audit();

    QString libraryLocation() const;
    // False, told, for a file name Qt cannot hold: the library would open another file.
    bool checkLibraryName();
    // False, told with the usage, for an output that is the library or one of its files, or
    // a workbook sent to a terminal.
    bool checkOutput();
    // Reading commands never make a library: a mistyped path would look like an empty one.
    bool openExistingLibrary();
    bool fetch(qint64 id, Recording &recording);
    // The process window of --window, else the chosen one; false (a usage error, told) for a
    // name that is not there.
    bool findWindow();
    const ProcessWindow *window() const { return m_hasWindow ? &m_window : nullptr; }
    // What the instrument brings, and each reason it brought less than all.
    void downloadLogger(const CliInstrument &instrument, const Recording &identity,
                        QList<Recording> &entries, QStringList &problems);
    void fetchMeter(const CliInstrument &instrument, const Recording &identity,
                    QList<Recording> &entries, QStringList &problems);
    // One progress line on stderr, rewritten in place; only where stderr is a terminal.
    void showProgress(const QString &line);
    void endProgress();
    bool fail(const QString &message);
    void tell(const QString &message);

    const CliOptions &m_options;
    QTextStream &m_out;
    QTextStream &m_err;
    RecordingLibrary m_library;
    const bool m_progressOnTerminal;
    bool m_progressShown = false;
    ProcessWindow m_window;
    bool m_hasWindow = false;
};
