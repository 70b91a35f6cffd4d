#include "cliarguments.h"
#include "clicommands.h"
#include "clioptions.h"
#include "consolesetup.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // The link's debug lines are for the window's log; here stderr is the user's.
    if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    QCoreApplication app(argc, argv);
    // The program's own name, so that both find the one default library.
    QCoreApplication::setApplicationName(QStringLiteral("solvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SOLVANE_VERSION));

    const ConsoleSetup console;
    QTextStream out(stdout);
    QTextStream err(stderr);
    const CliOptions options = CliOptions::parse(CliArguments::fromSystem(argc, argv));
    CliCommands commands(options, out, err);
    return commands.run();
}
