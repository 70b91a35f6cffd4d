#include "clioptions.h"

#include <QCoreApplication>
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
};
constexpr unsigned kGlobalOptions = OptLibrary | OptDemo;

struct OptionEntry {
    Option option;
    const char *name;
    const char *valueName; // null for a flag
};

const OptionEntry kOptions[] = {
    {OptLibrary, "--library", "LOCATION"}, {OptDemo, "--demo", "meter|logger"},
    {OptJson, "--json", nullptr},          {OptSerial, "--serial", "S"},
    {OptSince, "--since", "YYYY-MM-DD"},   {OptFormat, "--format", "xlsx|csv|json"},
    {OptOutput, "--output", "FILE"},       {OptWindow, "--window", "NAME"},
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
     "[--json] [--serial S] [--since YYYY-MM-DD] [--window NAME]", "",
     OptJson | OptSerial | OptSince | OptWindow, 0, 0},
    {CliOptions::Command::Show, "show", "ID [--json] [--window NAME]",
     "one recording with its samples", OptJson | OptWindow, 1, 1},
    {CliOptions::Command::Export, "export",
     "ID... --format xlsx|csv|json --output FILE [--window NAME]", "",
     OptFormat | OptOutput | OptWindow, 1, kAnyNumber},
    {CliOptions::Command::Delete, "delete", "ID", "", 0, 1, 1},
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
    CliOptions o;
    unsigned seen = 0;
    QStringList positional;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            o.action = Action::Help;
            return o;
        }
        if (arg == QLatin1String("--version")) {
            o.action = Action::Version;
            return o;
        }
        if (arg.size() < 2 || !arg.startsWith(QLatin1Char('-'))) {
            if (o.command != Command::None) {
                positional << arg;
                continue;
            }
            const CommandEntry *command = findCommand(arg);
            if (!command) {
                o.fail(tr("Unknown command \"%1\".").arg(arg));
                return o;
            }
            o.command = command->command;
            continue;
        }
        const qsizetype equals = arg.startsWith(QLatin1String("--")) ? arg.indexOf('=') : -1;
        const QString name = equals > 0 ? arg.left(equals) : arg;
        const OptionEntry *entry = findOption(name);
        if (!entry) {
            o.fail(tr("Unknown option %1.").arg(name));
            return o;
        }
        if (seen & entry->option) {
            o.fail(tr("%1 is given twice.").arg(name));
            return o;
        }
        seen |= entry->option;
        if (!entry->valueName) {
            if (equals > 0) {
                o.fail(tr("%1 takes no value.").arg(name));
                return o;
            }
            o.json = true; // the one flag
            continue;
        }
        QString value;
        if (equals > 0) {
            value = arg.mid(equals + 1);
        } else if (i + 1 < arguments.size() &&
                   !arguments.at(i + 1).startsWith(QLatin1String("--"))) {
            value = arguments.at(++i);
        } else {
            o.fail(tr("%1 needs a value: %2.").arg(name, QLatin1String(entry->valueName)));
            return o;
        }
        if (!o.setValue(entry->option, value))
            return o;
    }
    if (o.checkCommand(seen, positional))
        o.action = Action::Run;
    return o;
}

bool CliOptions::setValue(unsigned option, const QString &value)
{
    const QString name = QLatin1String(optionEntry(option).name);
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
        return fail(tr("%1 does not take %2.").arg(name, QLatin1String(optionEntry(foreign).name)));
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
        entry ? QStringLiteral("solvane-cli [--library LOCATION] %1 %2")
                    .arg(QLatin1String(entry->name), QLatin1String(entry->synopsis))
                    .trimmed()
              : QLatin1String(kGlobalSynopsis) +
                    QStringLiteral(" info|download|list|show|export|delete ...");
    return tr("Usage: %1 (solvane-cli --help tells more)").arg(synopsis);
}
