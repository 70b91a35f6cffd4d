#include "clioptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>

#include <limits>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("CliOptions", text);
}

enum Option : unsigned {
    OptLibrary = 1u << 0,
    OptDemo = 1u << 1,
    OptJson = 1u << 2,
    OptSerial = 1u << 3,
    OptSince = 1u << 4,
    OptFormat = 1u << 5,
    OptOutput = 1u << 6,
    OptWindow = 1u << 7,
    OptReason = 1u << 8,
    OptRecording = 1u << 9,
    OptHead = 1u << 10,
    OptRemoved = 1u << 11,
};
constexpr unsigned kGlobalOptions = OptLibrary | OptDemo;

struct OptionEntry {
    Option option;
    const char *name;      // without the dashes
    const char *valueName; // null for a flag
};

const OptionEntry kOptions[] = {
    {OptLibrary, "library", "LOCATION"}, {OptDemo, "demo", "meter|logger"},
    {OptJson, "json", nullptr},          {OptSerial, "serial", "S"},
    {OptSince, "since", "YYYY-MM-DD"},   {OptFormat, "format", "xlsx|csv|json"},
    {OptOutput, "output", "FILE"},       {OptWindow, "window", "NAME"},
    {OptReason, "reason", "TEXT"},       {OptRecording, "recording", "ID"},
    {OptHead, "head", "HASH"},           {OptRemoved, "removed", nullptr},
};

// A new command is one line here and one function in CliCommands.
struct CommandEntry {
    CliOptions::Command command;
    const char *name;
    const char *synopsis; // what follows the name
    const char *summary;
    unsigned options;
    int minIds;
    int maxIds;
};

constexpr int kAnyNumber = std::numeric_limits<int>::max();

const CommandEntry kCommands[] = {
    {CliOptions::Command::Info, "info", "[--json]", "the connected instrument's identity", OptJson,
     0, 0},
    {CliOptions::Command::Download, "download", "",
     "store every recording or group of the connected instrument", 0, 0, 0},
    {CliOptions::Command::List, "list",
     "[--json] [--serial S] [--since YYYY-MM-DD] [--window NAME] [--removed]", "",
     OptJson | OptSerial | OptSince | OptWindow | OptRemoved, 0, 0},
    {CliOptions::Command::Show, "show", "ID [--json] [--window NAME]",
     "one recording with its samples", OptJson | OptWindow, 1, 1},
    {CliOptions::Command::Export, "export",
     "ID... --format xlsx|csv|json --output FILE [--window NAME]", "",
     OptFormat | OptOutput | OptWindow, 1, kAnyNumber},
    {CliOptions::Command::Delete, "delete", "ID --reason TEXT",
     "hide a recording, keeping it and its trail", OptReason, 1, 1},
    {CliOptions::Command::Restore, "restore", "ID --reason TEXT", "bring a removed one back",
     OptReason, 1, 1},
    {CliOptions::Command::Verify, "verify", "[--json] [--head HASH]",
     "check the audit trail and every recording", OptJson | OptHead, 0, 0},
    {CliOptions::Command::Audit, "audit", "[--json] [--since YYYY-MM-DD] [--recording ID]",
     "list the audit trail", OptJson | OptSince | OptRecording, 0, 0},
};

const char kGlobalSynopsis[] = "solvane-cli [--library LOCATION] [--demo meter|logger]";

const OptionEntry *findOption(const QString &name)
{
    for (const OptionEntry &entry : kOptions) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

QString dashed(const char *name)
{
    return QStringLiteral("--") + QLatin1String(name);
}

// The first word QCommandLineParser would take that is no option here: a lone "--" (its end
// of options), "--h", a value after --help or --version, and every single-dash word but -h.
// Words the parser took as an option's value are skipped; that option tells its own fault.
QString firstUnknownOption(const QStringList &arguments, const QCommandLineParser &parser)
{
    QHash<QString, int> taken;
    for (const OptionEntry &entry : kOptions) {
        if (entry.valueName) {
            for (const QString &value : parser.values(QLatin1String(entry.name)))
                ++taken[value];
        }
    }
    for (const QString &arg : arguments) {
        const qsizetype equals = arg.indexOf(QLatin1Char('='));
        const OptionEntry *entry = equals > 2 && arg.startsWith(QLatin1String("--"))
                                       ? findOption(arg.mid(2, equals - 2))
                                       : nullptr;
        if (entry && entry->valueName)
            --taken[arg.mid(equals + 1)]; // given with its option, not taken from the next word
    }
    for (const QString &arg : arguments) {
        if (arg.size() < 2 || !arg.startsWith(QLatin1Char('-')))
            continue;
        if (taken.value(arg) > 0) {
            --taken[arg];
            continue;
        }
        if (!arg.startsWith(QLatin1String("--"))) {
            if (arg != QLatin1String("-h"))
                return arg;
            continue;
        }
        const QString name = arg.mid(2).section(QLatin1Char('='), 0, 0);
        const bool builtIn = name == QLatin1String("help") || name == QLatin1String("version");
        if (arg == QLatin1String("--") ||
            (builtIn ? name.size() + 2 < arg.size() : !findOption(name)))
            return QStringLiteral("--") + name;
    }
    for (const QString &name : parser.unknownOptionNames()) // not met above: a last guard
        return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    return {};
}

const OptionEntry &optionEntry(unsigned option)
{
    for (const OptionEntry &entry : kOptions) {
        if (entry.option & option)
            return entry;
    }
    return kOptions[0];
}

const CommandEntry *findCommand(const QString &name)
{
    for (const CommandEntry &entry : kCommands) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

const CommandEntry *commandEntry(CliOptions::Command command)
{
    for (const CommandEntry &entry : kCommands) {
        if (entry.command == command)
            return &entry;
    }
    return nullptr;
}

// Digits only: a sign, a space or a fraction is no recording ID.
bool parseId(const QString &text, qint64 &id)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(text).hasMatch())
        return false;
    bool ok = false;
    id = text.toLongLong(&ok);
    return ok && id > 0;
}

bool parseDate(const QString &text, QDate &date)
{
    static const QRegularExpression shape(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    if (!shape.match(text).hasMatch())
        return false;
    date = QDate::fromString(text, Qt::ISODate);
    return date.isValid();
}

} // namespace

bool CliOptions::fail(const QString &why)
{
    action = Action::UsageError;
    error = why;
    return false;
}

CliOptions CliOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
    parser.addOption(QCommandLineOption(QStringLiteral("version")));
    for (const OptionEntry &entry : kOptions)
        parser.addOption(QCommandLineOption(QLatin1String(entry.name), QString(),
                                            QLatin1String(entry.valueName)));
    // Its own messages are not ours: every fault is told below, in the words of --help.
    parser.parse(QStringList{QStringLiteral("solvane-cli")} + arguments);

    CliOptions o;
    const QString unknown = firstUnknownOption(arguments, parser);
    if (!unknown.isEmpty()) {
        o.fail(tr("Unknown option %1.").arg(unknown));
        return o;
    }
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty()) {
        const CommandEntry *command = findCommand(positional.first());
        if (!command) {
            o.fail(tr("Unknown command \"%1\".").arg(positional.first()));
            return o;
        }
        o.command = command->command;
    }
    // Each option as it was written: its value given with "=" or as the next word.
    QHash<QString, QStringList> written;
    for (const QString &arg : arguments) {
        if (arg.startsWith(QLatin1String("--")))
            written[arg.mid(2).section(QLatin1Char('='), 0, 0)].append(arg);
    }
    unsigned seen = 0;
    for (const QString &name : parser.optionNames()) {
        if (name == QLatin1String("h") || name == QLatin1String("help")) {
            o.action = Action::Help;
            return o;
        }
        if (name == QLatin1String("version")) {
            o.action = Action::Version;
            return o;
        }
        const OptionEntry *entry = findOption(name);
        const QString shown = dashed(entry->name);
        if (seen & entry->option) {
            o.fail(tr("%1 is given twice.").arg(shown));
            return o;
        }
        seen |= entry->option;
        const bool withEquals = written.value(name).value(0).contains(QLatin1Char('='));
        if (!entry->valueName) {
            if (withEquals) {
                o.fail(tr("%1 takes no value.").arg(shown));
                return o;
            }
            (entry->option == OptJson ? o.json : o.removed) = true;
            continue;
        }
        const QStringList values = parser.values(name);
        // The next word is a value unless it is an option; the parser takes it all the same.
        if (values.isEmpty() || (!withEquals && values.first().startsWith(QLatin1String("--")))) {
            o.fail(tr("%1 needs a value: %2.").arg(shown, QLatin1String(entry->valueName)));
            return o;
        }
        if (!o.setValue(entry->option, values.first()))
            return o;
    }
    if (o.checkCommand(seen, positional.mid(1)))
        o.action = Action::Run;
    return o;
}

bool CliOptions::setValue(unsigned option, const QString &value)
{
    const QString name = dashed(optionEntry(option).name);
    if (value.trimmed().isEmpty())
        return fail(
            tr("%1 needs a value: %2.").arg(name, QLatin1String(optionEntry(option).valueName)));
    switch (option) {
    case OptLibrary:
        library = value;
        return true;
    case OptDemo:
        if (value != QLatin1String("meter") && value != QLatin1String("logger"))
            return fail(tr("Unknown demo instrument \"%1\" (use meter or logger).").arg(value));
        demo = value;
        return true;
    case OptSerial:
        serial = value;
        return true;
    case OptSince:
        if (!parseDate(value, since))
            return fail(tr("\"%1\" is no date of the form YYYY-MM-DD.").arg(value));
        return true;
    case OptFormat:
        if (value == QLatin1String("xlsx"))
            format = Format::Xlsx;
        else if (value == QLatin1String("csv"))
            format = Format::Csv;
        else if (value == QLatin1String("json"))
            format = Format::Json;
        else
            return fail(tr("Unknown format \"%1\" (use xlsx, csv or json).").arg(value));
        return true;
    case OptOutput:
        output = value;
        return true;
    case OptWindow:
        window = value;
        return true;
    case OptReason:
        reason = value.trimmed();
        return true;
    case OptRecording:
        if (!parseId(value, recording))
            return fail(tr("\"%1\" is no recording ID (a whole number from 1).").arg(value));
        return true;
    case OptHead: {
        static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
        if (!hex.match(value.toLower()).hasMatch())
            return fail(tr("\"%1\" is no SHA-256 hash (64 hexadecimal digits).").arg(value));
        head = value.toLower();
        return true;
    }
    default:
        return fail(tr("Unknown option %1.").arg(name));
    }
}

bool CliOptions::checkCommand(unsigned seen, const QStringList &positional)
{
    const CommandEntry *entry = commandEntry(command);
    if (!entry)
        return fail(tr("No command given."));
    const QString name = QLatin1String(entry->name);
    if (const unsigned foreign = seen & ~(kGlobalOptions | entry->options))
        return fail(tr("%1 does not take %2.").arg(name, dashed(optionEntry(foreign).name)));
    if (positional.size() > entry->maxIds) {
        return fail(
            entry->maxIds == 0
                ? tr("%1 takes no argument, but \"%2\" was given.").arg(name, positional.first())
                : tr("%1 takes one recording ID.").arg(name));
    }
    if (positional.size() < entry->minIds)
        return fail(tr("%1 needs a recording ID.").arg(name));
    for (const QString &text : positional) {
        qint64 id = 0;
        if (!parseId(text, id))
            return fail(tr("\"%1\" is no recording ID (a whole number from 1).").arg(text));
        if (!ids.contains(id))
            ids.append(id);
    }
    if ((entry->options & OptReason) && reason.isEmpty())
        return fail(tr("%1 needs --reason TEXT: the audit trail keeps why.").arg(name));
    if (entry->options & OptFormat) {
        if (format == Format::None)
            return fail(tr("%1 needs --format xlsx|csv|json.").arg(name));
        if (output.isEmpty())
            return fail(tr("%1 needs --output FILE.").arg(name));
    }
    return true;
}

QString CliOptions::usage()
{
    QString text = QStringLiteral("Usage: %1 COMMAND\n").arg(QLatin1String(kGlobalSynopsis));
    for (const CommandEntry &entry : kCommands) {
        QString line = QStringLiteral("%1 %2")
                           .arg(QLatin1String(entry.name), QLatin1String(entry.synopsis))
                           .trimmed();
        if (*entry.summary)
            line = line.leftJustified(34) + QLatin1String(entry.summary);
        text += QStringLiteral("  ") + line + QLatin1Char('\n');
    }
    text += tr("\nLOCATION is a SQLite file or postgresql://[user@]host[:port]/db[?sslmode=...];\n"
               "without --library the library in the user's data folder is used.\n"
               "A verdict is against the process window chosen in the program, or --window NAME.\n"
               "Data goes to standard output, messages to standard error. Exit status: 0 done,\n"
               "1 failed, 2 wrong usage.\n");
    return text;
}

QString CliOptions::usageHint() const
{
    const CommandEntry *entry = commandEntry(command);
    const QString synopsis =
        entry
            ? QStringLiteral("solvane-cli [--library LOCATION] %1 %2")
                  .arg(QLatin1String(entry->name), QLatin1String(entry->synopsis))
                  .trimmed()
            : QLatin1String(kGlobalSynopsis) +
                  QStringLiteral(" info|download|list|show|export|delete|restore|verify|audit ...");
    return tr("Usage: %1 (solvane-cli --help tells more)").arg(synopsis);
}
