#include "clicommands.h"

#include "recordingexport.h"
#include "recordingjson.h"
#include "recordingtext.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <limits>
#include <utility>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("CliCommands", text);
}

QString noSuchRecording(qint64 id)
{
    return tr("No recording with id %1 in the library.").arg(id);
}

} // namespace

CliCommands::CliCommands(const CliOptions &options, QTextStream &out, QTextStream &err)
    : m_options(options), m_out(out), m_err(err)
{
}

CliCommands::Handler CliCommands::handler(CliOptions::Command command)
{
    static const std::pair<CliOptions::Command, Handler> kHandlers[] = {
        {CliOptions::Command::Info, &CliCommands::info},
        {CliOptions::Command::Download, &CliCommands::download},
        {CliOptions::Command::List, &CliCommands::list},
        {CliOptions::Command::Show, &CliCommands::show},
        {CliOptions::Command::Export, &CliCommands::exportRecordings},
        {CliOptions::Command::Delete, &CliCommands::remove},
    };
    for (const auto &[known, function] : kHandlers) {
        if (known == command)
            return function;
    }
    return nullptr;
}

int CliCommands::run()
{
    int status = Success;
    switch (m_options.action) {
    case CliOptions::Action::Help:
        m_out << CliOptions::usage();
        break;
    case CliOptions::Action::Version:
        m_out << "solvane-cli " << QCoreApplication::applicationVersion() << '\n';
        break;
    case CliOptions::Action::UsageError:
        tell(m_options.error);
        m_err << m_options.usageHint() << '\n';
        status = UsageError;
        break;
    case CliOptions::Action::Run:
        if (const Handler function = handler(m_options.command))
            status = (this->*function)();
        else
            status = UsageError;
        break;
    }
    m_out.flush();
    // A full disk or a closed pipe is a failure, not a run that printed nothing.
    if (m_out.status() != QTextStream::Ok && status == Success) {
        tell(tr("The output could not be written."));
        status = Failure;
    }
    m_err.flush();
    return status;
}

void CliCommands::tell(const QString &message)
{
    m_err << "solvane-cli: " << message << '\n';
}

bool CliCommands::fail(const QString &message)
{
    tell(message);
    return false;
}

int CliCommands::notYet(const QString &command)
{
    tell(tr("%1 is not available yet in this version.").arg(command));
    return Failure;
}

bool CliCommands::openExistingLibrary()
{
    const QString location =
        m_options.library.isEmpty() ? LibraryLocation::defaultPath() : m_options.library;
    LibraryLocation parsed;
    QString error;
    if (!LibraryLocation::parse(location, parsed, &error))
        return fail(error);
    if (parsed.engine == LibraryLocation::Engine::Sqlite && !QFileInfo::exists(parsed.path))
        return fail(tr("There is no library at %1.").arg(parsed.display()));
    if (!m_library.open(location))
        return fail(m_library.lastError());
    return true;
}

bool CliCommands::fetch(qint64 id, Recording &recording)
{
    if (m_library.get(id, recording))
        return true;
    const QString error = m_library.lastError();
    return fail(error.isEmpty() ? noSuchRecording(id) : error);
}

int CliCommands::info()
{
    return notYet(QStringLiteral("info"));
}

int CliCommands::download()
{
    return notYet(QStringLiteral("download"));
}

int CliCommands::list()
{
    if (!openExistingLibrary())
        return Failure;
    RecordingLibrary::Filter filter;
    filter.serial = m_options.serial;
    filter.since = m_options.since;
    const QList<Recording> recordings = m_library.list(filter, 0, std::numeric_limits<int>::max());
    if (!m_library.lastError().isEmpty()) {
        fail(m_library.lastError());
        return Failure;
    }
    if (m_options.json) {
        QJsonArray array;
        for (const Recording &r : recordings)
            array.append(RecordingJson::entry(r));
        m_out << QJsonDocument(array).toJson(QJsonDocument::Indented);
    } else {
        for (const QString &line : RecordingText::listLines(recordings))
            m_out << line << '\n';
    }
    return Success;
}

int CliCommands::show()
{
    Recording recording;
    if (!openExistingLibrary() || !fetch(m_options.ids.first(), recording))
        return Failure;
    if (m_options.json)
        m_out << QJsonDocument(RecordingJson::details(recording)).toJson(QJsonDocument::Indented);
    else
        m_out << RecordingText::show(recording);
    return Success;
}

int CliCommands::exportRecordings()
{
    if (!openExistingLibrary())
        return Failure;
    QList<Recording> recordings;
    for (qint64 id : m_options.ids) {
        Recording recording;
        if (!fetch(id, recording))
            return Failure;
        recordings.append(recording);
    }
    QString error;
    if (!RecordingExport::write(recordings, m_options.format, m_options.output, &error)) {
        fail(error);
        return Failure;
    }
    tell(recordings.size() == 1
             ? tr("Exported 1 recording to %1.").arg(m_options.output)
             : tr("Exported %1 recordings to %2.").arg(recordings.size()).arg(m_options.output));
    return Success;
}

int CliCommands::remove()
{
    const qint64 id = m_options.ids.first();
    if (!openExistingLibrary())
        return Failure;
    if (!m_library.remove(id)) {
        const QString error = m_library.lastError();
        fail(error.isEmpty() ? noSuchRecording(id) : error);
        return Failure;
    }
    m_out << tr("Deleted %1.").arg(id) << '\n';
    return Success;
}
