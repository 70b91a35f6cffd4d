#include "clicommands.h"

#include "cliarguments.h"
#include "cliinstrument.h"
#include "instrumentprotocol.h"
#include "loggerdownload.h"
#include "meterfetch.h"
#include "meterframes.h"
#include "processwindowstore.h"
#include "recordingexport.h"
#include "recordingjson.h"
#include "recordingtext.h"
#include "station.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <limits>
#include <unistd.h>
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
    : m_options(options), m_out(out), m_err(err), m_progressOnTerminal(isatty(STDERR_FILENO) == 1)
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
        {CliOptions::Command::Restore, &CliCommands::restore},
        {CliOptions::Command::Verify, &CliCommands::verify},
        {CliOptions::Command::Audit, &CliCommands::audit},
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

QString CliCommands::libraryLocation() const
{
    return m_options.library.isEmpty() ? LibraryLocation::defaultPath() : m_options.library;
}

bool CliCommands::checkLibraryName()
{
    if (!CliArguments::holdsRawBytes(libraryLocation()))
        return true;
    return fail(tr("The library name %1 is not valid UTF-8, which the library cannot open; "
                   "rename the file or link to it under a UTF-8 name.")
                    .arg(libraryLocation()));
}

bool CliCommands::openExistingLibrary()
{
    const QString location = libraryLocation();
    LibraryLocation parsed;
    QString error;
    if (!checkLibraryName() || !LibraryLocation::parse(location, parsed, &error))
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

bool CliCommands::findWindow()
{
    if (m_options.window.isEmpty()) {
        m_hasWindow = ProcessWindowStore::chosen(m_window);
        return true;
    }
    m_hasWindow = ProcessWindowStore::find(m_options.window, m_window);
    if (m_hasWindow)
        return true;
    QStringList names;
    for (const ProcessWindow &known : ProcessWindowStore::all())
        names << known.name;
    tell(names.isEmpty() ? tr("There is no process window called \"%1\"; none has been made.")
                               .arg(m_options.window)
                         : tr("There is no process window called \"%1\"; there are: %2.")
                               .arg(m_options.window, names.join(QStringLiteral(", "))));
    m_err << m_options.usageHint() << '\n';
    return false;
}

int CliCommands::info()
{
    CliInstrument instrument(m_options.demo);
    QString error;
    if (!instrument.open(&error)) {
        fail(error);
        return Failure;
    }
    const Recording &who = instrument.identity();
    auto date = [](const QDate &d) { return d.isValid() ? d.toString(Qt::ISODate) : QString(); };
    if (m_options.json) {
        const QJsonObject object{
            {QStringLiteral("family"), who.familyName()},
            {QStringLiteral("model"), who.modelName},
            {QStringLiteral("model_code"), static_cast<qint64>(who.modelCode)},
            {QStringLiteral("serial"), who.serial},
            {QStringLiteral("firmware"), who.firmware},
            {QStringLiteral("production_date"), date(who.productionDate)},
            {QStringLiteral("calibration_date"), date(who.calibrationDate)},
        };
        m_out << QJsonDocument(object).toJson(QJsonDocument::Indented);
        return Success;
    }
    const std::pair<const char *, QString> lines[] = {
        {QT_TRANSLATE_NOOP("CliCommands", "Family"), who.familyName()},
        {QT_TRANSLATE_NOOP("CliCommands", "Model"),
         QStringLiteral("%1 (%2)").arg(who.modelName).arg(who.modelCode)},
        {QT_TRANSLATE_NOOP("CliCommands", "Serial"), who.serial},
        {QT_TRANSLATE_NOOP("CliCommands", "Firmware"), who.firmware},
        {QT_TRANSLATE_NOOP("CliCommands", "Production date"), date(who.productionDate)},
        {QT_TRANSLATE_NOOP("CliCommands", "Calibration date"), date(who.calibrationDate)},
    };
    for (const auto &[label, value] : lines)
        m_out << tr(label) << ": " << RecordingText::printable(value) << '\n';
    return Success;
}

int CliCommands::download()
{
    findWindow(); // the chosen one: the lines below tell each entry's verdict
    if (!checkLibraryName())
        return Failure;
    if (!m_library.open(libraryLocation())) {
        fail(m_library.lastError());
        return Failure;
    }
    CliInstrument instrument(m_options.demo);
    QString error;
    if (!instrument.open(&error)) {
        fail(error);
        return Failure;
    }
    QList<Recording> entries;
    QStringList problems;
    Recording identity = instrument.identity();
    identity.downloadedAt = QDateTime::currentDateTimeUtc();
    if (instrument.isLogger())
        downloadLogger(instrument, identity, entries, problems);
    else
        fetchMeter(instrument, identity, entries, problems);
    endProgress();

    // What came is kept also when the download ended early, as the window keeps it.
    RecordingLibrary::StoreResult stored;
    stored.ok = true;
    if (!entries.isEmpty())
        stored = m_library.store(entries);
    if (!stored.ok) {
        for (const QString &problem : std::as_const(problems))
            tell(problem);
        fail(stored.error);
        return Failure;
    }
    for (qsizetype i = 0; i < entries.size(); ++i)
        entries[i].id = stored.ids.value(i);
    const QStringList lines = RecordingText::listLines(entries, window());
    for (qsizetype i = 0; i < lines.size(); ++i)
        m_out << lines.at(i) << "  "
              << (stored.isNew.value(i) ? tr("new") : tr("already in the library")) << '\n';
    m_out << tr("%1 new, %2 already in the library").arg(stored.added).arg(stored.already) << '\n';
    for (const QString &problem : std::as_const(problems))
        tell(problem);
    return problems.isEmpty() ? Success : Failure;
}

void CliCommands::downloadLogger(const CliInstrument &instrument, const Recording &identity,
                                 QList<Recording> &entries, QStringList &problems)
{
    auto page = [](const char *text) {
        return QCoreApplication::translate("FirstPageFor416", text);
    };
    int count = 0;
    const int code = InstrumentProtocol::instance()->ReadPowerGroupCount(count);
    if (code != InstrumentProtocol::Ok) {
        problems.append(CliInstrument::failureText(code));
        return;
    }
    if (count > LoggerDownload::MaxGroups)
        problems.append(tr("The instrument holds %1 recordings; only the first %2 can be read.")
                            .arg(count)
                            .arg(LoggerDownload::MaxGroups));
    const int groups = qBound(0, count, LoggerDownload::MaxGroups);
    LoggerDownload::Hooks hooks;
    int current = 0;
    hooks.progress = [&](qint64) {
        showProgress(tr("Downloading recording %1 of %2").arg(current + 1).arg(groups));
    };
    hooks.group = [&](const LoggerDownload::Group &group) {
        current = group.index + 1;
        entries.append(LoggerDownload::entry(group, identity));
    };
    hooks.abandoned = [&instrument] { return instrument.removed(); };
    LoggerDownload download(hooks);
    const LoggerDownload::End end = download.run(groups);
    QStringList numbers;
    for (int group : download.leftOut())
        numbers.append(QString::number(group + 1));
    if (numbers.size() == 1)
        problems.append(
            page("Recording %1 could not be read without errors; it is left out.").arg(numbers[0]));
    else if (numbers.size() > 1)
        problems.append(page("Recordings %1 could not be read without errors; they are left out.")
                            .arg(numbers.join(QStringLiteral(", "))));
    switch (end) {
    case LoggerDownload::End::Done:
        break;
    case LoggerDownload::End::Stalled:
        problems.append(page("Getting data outtime,please get again."));
        break;
    case LoggerDownload::End::IntervalError:
        problems.append(page("Read Storage Interval Error!"));
        break;
    case LoggerDownload::End::LinkLost:
        problems.append(tr("The instrument was disconnected during the download."));
        break;
    case LoggerDownload::End::Failed:
        problems.append(CliInstrument::failureText(InstrumentProtocol::NotSent));
        break;
    }
}

void CliCommands::fetchMeter(const CliInstrument &instrument, const Recording &identity,
                             QList<Recording> &entries, QStringList &problems)
{
    InstrumentProtocol *protocol = InstrumentProtocol::instance();
    int s[4] = {};
    int code = protocol->ReadMeasureConfigure(s[0], s[1], s[2], s[3]);
    int count = 0;
    if (code == InstrumentProtocol::Ok)
        code = protocol->ReadPowerGroupCount(count);
    if (code != InstrumentProtocol::Ok) {
        problems.append(CliInstrument::failureText(code));
        return;
    }
    const int groups = qBound(0, count, MeterFetch::MaxGroups);
    if (groups == 0)
        return;
    if (!MeterFetch::sendRequests(groups)) {
        problems.append(CliInstrument::failureText(InstrumentProtocol::NotSent));
        return;
    }
    QByteArray buffer;
    const qsizetype expected = MeterFetch::expectedBytes(groups);
    const MeterFetch::End end = MeterFetch::collect(
        groups, buffer, MeterFetch::TimeoutMs,
        [&](qsizetype received) {
            showProgress(tr("Reading %1 of %2 bytes").arg(received).arg(expected));
        },
        [&instrument] { return instrument.removed(); });
    if (end == MeterFetch::End::Done) {
        int record = 1;
        for (const QByteArray &reply : MeterFrames::groupReplies(buffer)) {
            Recording entry;
            if (MeterFetch::entry(reply, record, s[3], identity.modelCode, identity, entry))
                entries.append(entry);
            ++record;
        }
    } else if (end == MeterFetch::End::TimedOut) {
        problems.append(QCoreApplication::translate("FirstPageFor415",
                                                    "Getting data outtime,please get again."));
    } else {
        problems.append(tr("The instrument was disconnected during the download."));
    }
}

void CliCommands::showProgress(const QString &line)
{
    if (!m_progressOnTerminal)
        return;
    m_err << '\r' << line << "\x1b[K";
    m_err.flush();
    m_progressShown = true;
}

void CliCommands::endProgress()
{
    if (!m_progressShown)
        return;
    m_err << '\r' << "\x1b[K";
    m_err.flush();
    m_progressShown = false;
}

int CliCommands::list()
{
    if (!findWindow())
        return UsageError;
    if (!openExistingLibrary())
        return Failure;
    RecordingLibrary::Filter filter;
    filter.serial = m_options.serial;
    filter.since = m_options.since;
    if (m_options.removed)
        filter.removed = RecordingLibrary::Filter::Removed::Only;
    const QList<Recording> recordings = m_library.list(filter, 0, std::numeric_limits<int>::max());
    if (!m_library.lastError().isEmpty()) {
        fail(m_library.lastError());
        return Failure;
    }
    if (m_options.json) {
        QJsonArray array;
        for (const Recording &r : recordings)
            array.append(RecordingJson::entry(r, window()));
        m_out << QJsonDocument(array).toJson(QJsonDocument::Indented);
    } else {
        for (const QString &line : RecordingText::listLines(recordings, window()))
            m_out << line << '\n';
    }
    return Success;
}

int CliCommands::show()
{
    if (!findWindow())
        return UsageError;
    Recording recording;
    if (!openExistingLibrary() || !fetch(m_options.ids.first(), recording))
        return Failure;
    if (m_options.json)
        m_out << QJsonDocument(RecordingJson::details(recording, window()))
                     .toJson(QJsonDocument::Indented);
    else
        m_out << RecordingText::show(recording, window());
    return Success;
}

bool CliCommands::checkOutput()
{
    const QString &output = m_options.output;
    LibraryLocation library;
    QString message;
    if (output == QLatin1String("-")) {
        if (m_options.format == CliOptions::Format::Xlsx && isatty(STDOUT_FILENO) == 1)
            message = tr("A workbook is no text for a terminal; send it to a file or a pipe.");
    } else if (LibraryLocation::parse(libraryLocation(), library, nullptr) &&
               library.engine == LibraryLocation::Engine::Sqlite &&
               RecordingExport::isLibraryFile(output, library.path)) {
        // Writing there would replace the recordings with the export.
        message = tr("%1 is the library or one of its files; choose another output.")
                      .arg(QDir::toNativeSeparators(output));
    }
    if (message.isEmpty())
        return true;
    tell(message);
    m_err << m_options.usageHint() << '\n';
    return false;
}

int CliCommands::exportRecordings()
{
    if (!findWindow() || !checkOutput())
        return UsageError;
    if (!openExistingLibrary())
        return Failure;
    QList<Recording> recordings;
    for (qint64 id : m_options.ids) {
        Recording recording;
        if (!fetch(id, recording))
            return Failure;
        if (recording.removed) {
            fail(tr("Recording %1 is removed; restore it to export it.").arg(id));
            return Failure;
        }
        recordings.append(recording);
    }
    QString error;
    if (!RecordingExport::write(recordings, m_options.format, m_options.output, window(), &error)) {
        fail(error);
        return Failure;
    }
    const bool toFile = m_options.output != QLatin1String("-");
    static const char *const kFormats[] = {"", "xlsx", "csv", "json"};
    if (toFile &&
        !m_library.recordFile(m_options.output, QLatin1String(kFormats[int(m_options.format)]),
                              m_options.ids))
        tell(m_library.lastError()); // written all the same; the trail lacks it, and says so
    const QString output = toFile ? m_options.output : tr("standard output");
    tell(recordings.size() == 1
             ? tr("Exported 1 recording to %1.").arg(output)
             : tr("Exported %1 recordings to %2.").arg(recordings.size()).arg(output));
    return Success;
}

int CliCommands::remove()
{
    const qint64 id = m_options.ids.first();
    if (!openExistingLibrary())
        return Failure;
    if (!m_library.remove(id, m_options.reason)) {
        const QString error = m_library.lastError();
        fail(error.isEmpty() ? noSuchRecording(id) : error);
        return Failure;
    }
    m_out << tr("Removed %1; it is kept in the library (restore %1 brings it back).").arg(id)
          << '\n';
    return Success;
}

int CliCommands::restore()
{
    const qint64 id = m_options.ids.first();
    if (!openExistingLibrary())
        return Failure;
    if (!m_library.restore(id, m_options.reason)) {
        const QString error = m_library.lastError();
        fail(error.isEmpty() ? noSuchRecording(id) : error);
        return Failure;
    }
    m_out << tr("Restored %1.").arg(id) << '\n';
    return Success;
}

int CliCommands::verify()
{
    if (!openExistingLibrary())
        return Failure;
    const LibraryVerifier::Result result = m_library.verify(m_options.head, [this](qint64 done) {
        showProgress(tr("Checked %1 entries and recordings").arg(done));
    });
    endProgress();
    if (m_options.json) {
        QJsonObject object{{QStringLiteral("ok"), result.ok()},
                           {QStringLiteral("entries"), result.entries},
                           {QStringLiteral("recordings"), result.recordings}};
        if (result.ok()) {
            object.insert(QStringLiteral("head"), result.head);
        } else {
            QJsonObject found{{QStringLiteral("kind"), LibraryVerifier::breakKey(result.found)},
                              {QStringLiteral("problem"), result.problem}};
            if (result.entry > 0)
                found.insert(QStringLiteral("entry"), result.entry);
            if (result.recording > 0)
                found.insert(QStringLiteral("recording"), result.recording);
            object.insert(QStringLiteral("break"), found);
        }
        m_out << QJsonDocument(object).toJson(QJsonDocument::Indented);
    } else if (result.ok()) {
        m_out << tr("The audit trail is unbroken: %1 entries, %2 recordings as stored.")
                     .arg(result.entries)
                     .arg(result.recordings)
              << '\n'
              << tr("Head hash: %1").arg(result.head) << '\n';
    } else {
        m_out << tr("BROKEN: %1").arg(result.problem) << '\n';
    }
    return result.ok() ? Success : Failure;
}

int CliCommands::audit()
{
    if (!openExistingLibrary())
        return Failure;
    AuditTrail::Filter filter;
    filter.since = m_options.since;
    filter.recordingId = m_options.recording;
    const QList<AuditEntry> entries = m_library.trail(filter);
    if (!m_library.lastError().isEmpty()) {
        fail(m_library.lastError());
        return Failure;
    }
    if (m_options.json) {
        QJsonArray array;
        for (const AuditEntry &e : entries) {
            QJsonObject object{
                {QStringLiteral("seq"), e.seq},
                {QStringLiteral("at"), e.at},
                {QStringLiteral("utc_offset"), Station::offsetText(e.utcOffsetSeconds)},
                {QStringLiteral("station"), e.station},
                {QStringLiteral("user"), e.user},
                {QStringLiteral("program"), e.program},
                {QStringLiteral("action"), e.action},
                {QStringLiteral("subject"), e.subject},
                {QStringLiteral("details"), e.detailsObject()},
                {QStringLiteral("previous_hash"), e.previousHash},
                {QStringLiteral("hash"), e.hash}};
            if (e.recordingId > 0)
                object.insert(QStringLiteral("recording"), e.recordingId);
            array.append(object);
        }
        m_out << QJsonDocument(array).toJson(QJsonDocument::Indented);
        return Success;
    }
    for (const AuditEntry &e : entries) {
        const QDateTime local = e.time().toOffsetFromUtc(e.utcOffsetSeconds);
        m_out << RecordingText::printable(
                     QStringLiteral("%1  %2 %3  %4@%5  %6")
                         .arg(e.seq, 6)
                         .arg(local.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                              Station::offsetText(e.utcOffsetSeconds), e.user, e.station,
                              e.summary()))
              << '\n';
    }
    return Success;
}
