// The recording library on a SQLite file: storing one download of 25 full recordings and what
// its trail entries add, opening the library window on 100 000 and on 1 000 000 entries until
// its first rows are there, and verifying 100 000 recordings under 300 000 trail entries.
#include "benchsupport.h"
#include "librarymodel.h"
#include "librarywindow.h"
#include "recording.h"
#include "recordinglibrary.h"
#include "recordingrow.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {

constexpr int kRecordings = 25;
constexpr int kFullSamples = 606;
constexpr int kRuns = 7;
constexpr int kLargeLibrary = 100000;
constexpr int kBatch = 2000;
constexpr int kTrailEntries = 300000;
constexpr int kHugeLibrary = 1000000;

// A connection of the benchmark's own to a library file, past RecordingLibrary.
QSqlDatabase rawConnection(const QString &file, const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(file);
    db.open();
    return db;
}

Recording entry(int number, int samples, const QDateTime &start)
{
    Recording r;
    r.serial = QStringLiteral("5633416");
    r.modelCode = 5633416;
    r.modelName = QStringLiteral("VT416C");
    r.group = number % 25 + 1;
    r.startTime = start;
    r.intervalSeconds = 1;
    r.samples = QByteArray(4 * samples, '\0');
    std::memcpy(r.samples.data(), &number, sizeof number); // every entry its own hash
    r.rawFrames = r.samples;
    r.shown = QStringList{QString::number(r.group), start.toString(Qt::ISODate), u"606"_qs};
    r.updateHash();
    return r;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    using namespace BenchSupport;
    QTemporaryDir dir;
    const QDateTime start(QDate(2024, 1, 1), QTime(8, 0));

    RecordingLibrary library;
    if (!library.open(dir.filePath(QStringLiteral("store.sqlite")))) {
        log() << library.lastError() << '\n';
        return 1;
    }
    QVector<double> storeMs;
    for (int run = 0; run < kRuns; ++run) {
        QList<Recording> download;
        for (int g = 0; g < kRecordings; ++g)
            download.append(
                entry(run * kRecordings + g, kFullSamples, start.addSecs(run * 100 + g)));
        QElapsedTimer clock;
        clock.start();
        const RecordingLibrary::StoreResult result = library.store(download);
        storeMs.append(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (!result.ok || result.added != kRecordings) {
            log() << "store failed: " << result.error << '\n';
            return 1;
        }
    }

    RecordingLibrary large;
    if (!large.open(dir.filePath(QStringLiteral("large.sqlite")))) {
        log() << large.lastError() << '\n';
        return 1;
    }
    for (int first = 0; first < kLargeLibrary; first += kBatch) {
        QList<Recording> batch;
        for (int i = first; i < first + kBatch; ++i)
            batch.append(entry(i, 20, start.addSecs(i)));
        if (!large.store(batch).ok) {
            log() << "filling failed: " << large.lastError() << '\n';
            return 1;
        }
    }
    // What the trail adds to a download: per recording, the row read back, its digest and
    // the entry, in one transaction (rolled back: the library stays as it was).
    QVector<double> trailMs;
    {
        QSqlDatabase db = rawConnection(dir.filePath(QStringLiteral("store.sqlite")), "trail");
        for (int run = 0; run < kRuns; ++run) {
            QElapsedTimer clock;
            clock.start();
            db.transaction();
            AuditTrail trail(db);
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT ") + RecordingRow::columns(true) +
                      QStringLiteral(" FROM recordings r JOIN instruments i ON i.id = "
                                     "r.instrument_id WHERE r.id = ?"));
            for (int g = 1; g <= kRecordings; ++g) {
                q.addBindValue(g);
                if (!q.exec() || !q.next()) {
                    log() << "trail read failed: " << q.lastError().text() << '\n';
                    return 1;
                }
                const Recording r = RecordingRow::read(q, true);
                AuditEntry entry;
                entry.action = QLatin1String(AuditEntry::RecordingStored);
                entry.recordingId = r.id;
                entry.setDetails({{QStringLiteral("sha256"), r.sha256},
                                  {QStringLiteral("digest"), r.contentDigest()}});
                if (!trail.append(entry)) {
                    log() << "trail append failed: " << trail.lastError().text() << '\n';
                    return 1;
                }
            }
            db.rollback();
            trailMs.append(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("trail"));

    // 300 000 entries in all: the 100 000 "stored" ones and later ones of every kind.
    {
        QSqlDatabase db = rawConnection(dir.filePath(QStringLiteral("large.sqlite")), "fill");
        db.transaction();
        AuditTrail trail(db);
        qint64 seq = 0;
        QString head;
        trail.head(seq, head);
        for (qint64 i = seq; i < kTrailEntries; ++i) {
            AuditEntry entry;
            entry.action =
                QLatin1String(i % 2 ? AuditEntry::ReportPrinted : AuditEntry::FileWritten);
            entry.recordingId = 1 + i % kLargeLibrary;
            entry.subject = QStringLiteral("C:/Reports/report-%1.pdf").arg(i);
            entry.setDetails(
                {{QStringLiteral("file_sha256"), Recording::hashOf(QByteArray::number(i))}});
            if (!trail.append(entry)) {
                log() << "trail fill failed: " << trail.lastError().text() << '\n';
                return 1;
            }
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    QElapsedTimer verifyClock;
    verifyClock.start();
    const LibraryVerifier::Result verified = large.verify();
    const double verifyMs = static_cast<double>(verifyClock.nsecsElapsed()) / 1e6;
    if (!verified.ok() || verified.entries != kTrailEntries ||
        verified.recordings != kLargeLibrary) {
        log() << "verify: " << verified.problem << ' ' << verified.entries << ' '
              << verified.recordings << '\n';
        return 1;
    }

    QVector<double> openMs;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer clock;
        clock.start();
        LibraryWindow window(&large, false);
        window.show();
        const bool shown = waitUntil([&] { return window.model()->rowCount() > 0; }, 20000);
        openMs.append(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (!shown || window.model()->total() != kLargeLibrary) {
            log() << "the window showed no rows\n";
            return 1;
        }
    }
    // A text search runs through every entry: no index serves "contains".
    QVector<double> searchMs;
    for (const QString &text : {u"müller"_qs, u"vt416"_qs, u"2024-01-01t08"_qs}) {
        RecordingLibrary::Filter filter;
        filter.text = text;
        QElapsedTimer clock;
        clock.start();
        const int found = large.count(filter);
        searchMs.append(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (found < 0) {
            log() << "search failed: " << large.lastError() << '\n';
            return 1;
        }
    }
    // A million: the large library's rows copied nine times over, each copy its own entries.
    const QString hugeFile = dir.filePath(QStringLiteral("huge.sqlite"));
    large.close();
    QFile::copy(dir.filePath(QStringLiteral("large.sqlite")), hugeFile);
    {
        QSqlDatabase db = rawConnection(hugeFile, "huge");
        QSqlQuery q(db);
        const QString columns = QStringLiteral(
            "instrument_id, family, group_no, start_time, interval_s, sample_count, samples,"
            " raw_frames, shown, power_rec, power_max, power_min, power_avg, energy, duration_s,"
            " power_rt, unit, firmware, production_date, calibration_date, downloaded_at,"
            " sort_time, sha256, %1, test_light, company, tester, auditor, dose_uj_cm2,"
            " dose_flagged, search, removed, utc_offset_s");
        for (int copy = 1; copy < kHugeLibrary / kLargeLibrary; ++copy) {
            const QString sql =
                QStringLiteral(
                    "INSERT INTO recordings (%1) SELECT %2 FROM recordings WHERE id <= %3")
                    .arg(columns.arg(QStringLiteral("dedupe_key")),
                         columns.arg(QStringLiteral("dedupe_key || '|%1'").arg(copy)))
                    .arg(kLargeLibrary);
            if (!q.exec(sql)) {
                log() << "copy failed: " << q.lastError().text() << '\n';
                return 1;
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("huge"));
    RecordingLibrary huge;
    if (!huge.open(hugeFile)) {
        log() << huge.lastError() << '\n';
        return 1;
    }
    QVector<double> hugeMs;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer clock;
        clock.start();
        LibraryWindow window(&huge, false);
        window.show();
        const bool shown = waitUntil([&] { return window.model()->rowCount() > 0; }, 20000);
        hugeMs.append(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (!shown || window.model()->total() != kHugeLibrary) {
            log() << "the window showed no rows of a million: " << window.model()->total() << '\n';
            return 1;
        }
    }

    log() << "store runs: " << storeMs.size() << ", window runs: " << openMs.size() << '\n';
    printFigure("library_search_100k_ms", median(searchMs), "ms", 0);
    printFigure("library_store_25_ms", median(storeMs), "ms", 1);
    printFigure("library_window_100k_ms", median(openMs), "ms", 0);
    printFigure("library_trail_25_ms", median(trailMs), "ms", 2);
    printFigure("library_verify_100k_ms", verifyMs, "ms", 0);
    printFigure("library_window_1m_ms", median(hugeMs), "ms", 0);
    return 0;
}
