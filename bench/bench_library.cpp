// The recording library on a SQLite file: storing one download of 25 full recordings, and
// opening the library window on 100 000 entries until its first rows are there.
#include "benchsupport.h"
#include "librarymodel.h"
#include "librarywindow.h"
#include "recording.h"
#include "recordinglibrary.h"

#include <QApplication>
#include <QTemporaryDir>

namespace {

constexpr int kRecordings = 25;
constexpr int kFullSamples = 606;
constexpr int kRuns = 7;
constexpr int kLargeLibrary = 100000;
constexpr int kBatch = 2000;

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
    log() << "store runs: " << storeMs.size() << ", window runs: " << openMs.size() << '\n';
    printFigure("library_search_100k_ms", median(searchMs), "ms", 0);
    printFigure("library_store_25_ms", median(storeMs), "ms", 1);
    printFigure("library_window_100k_ms", median(openMs), "ms", 0);
    return 0;
}
