// The Library window's comparisons on a real SQLite library: an overlay of 20 recordings of
// 3000 samples read and drawn to a pixmap, and the trend of an instrument with 10 000
// recordings (of 606 samples each, which the trend must not read) until its first picture.
#include "benchsupport.h"
#include "overlaywindow.h"
#include "processwindow.h"
#include "recording.h"
#include "recordinglibrary.h"
#include "trendwindow.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <qcustomplot.h>

namespace {

constexpr int kOverlayRecordings = 20;
constexpr int kOverlaySamples = 3000;
constexpr int kTrendRecordings = 10000;
constexpr int kTrendSamples = 606;
constexpr int kBatch = 500;
constexpr int kRuns = 7;

// A lamp's run: a rise, then a plateau of about `level` with a ripple.
Recording recording(const QString &serial, int number, int samples, double level,
                    const QDateTime &start)
{
    Recording r;
    r.serial = serial;
    r.modelCode = 5633416;
    r.modelName = QStringLiteral("VT416C");
    r.group = number % 25 + 1;
    r.startTime = start;
    r.intervalSeconds = 1;
    r.samples.resize(4 * samples);
    double max = 0;
    for (int k = 0; k < samples; ++k) {
        const float v =
            float(level * std::min(1.0, k / 40.0) * (1 + 0.03 * std::sin((k + 13 * number) / 9.0)));
        max = std::max(max, double(v));
        quint32 bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        qToLittleEndian(bits, r.samples.data() + 4 * k);
    }
    r.rawFrames = r.samples;
    r.powerMax = max;
    r.updateHash();
    return r;
}

bool fill(RecordingLibrary &library, const QString &serial, int count, int samples,
          const QDateTime &first)
{
    for (int from = 0; from < count; from += kBatch) {
        QList<Recording> batch;
        for (int i = from; i < std::min(count, from + kBatch); ++i)
            batch.append(recording(serial, i, samples, 450 - 150.0 * i / count,
                                   first.addSecs(i * 3600 * 2)));
        if (!library.store(batch).ok) {
            BenchSupport::log() << "filling failed: " << library.lastError() << '\n';
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    using namespace BenchSupport;
    QTemporaryDir dir;
    const QDateTime start(QDate(2023, 1, 1), QTime(8, 0));
    RecordingLibrary library;
    if (!library.open(dir.filePath(QStringLiteral("compare.sqlite")))) {
        log() << library.lastError() << '\n';
        return 1;
    }
    const QString overlaid = QStringLiteral("5633416");
    const QString traced = QStringLiteral("5633417");
    if (!fill(library, overlaid, kOverlayRecordings, kOverlaySamples, start) ||
        !fill(library, traced, kTrendRecordings, kTrendSamples, start))
        return 1;
    RecordingLibrary::Filter filter;
    filter.serial = overlaid;
    QList<qint64> ids;
    for (const Recording &r : library.list(filter, 0, kOverlayRecordings))
        ids << r.id;

    QVector<double> overlayMs;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        QList<Recording> chosen;
        for (qint64 id : std::as_const(ids)) {
            Recording r;
            if (!library.get(id, r)) {
                log() << "read failed: " << library.lastError() << '\n';
                return 1;
            }
            chosen << r;
        }
        OverlayWindow overlay(chosen);
        const QPixmap picture = overlay.plot()->toPixmap(1000, 600);
        overlayMs.append(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (picture.isNull() || overlay.plot()->graphCount() != kOverlayRecordings ||
            overlay.plot()->graph(0)->dataCount() != kOverlaySamples) {
            log() << "the overlay drew nothing\n";
            return 1;
        }
    }

    ProcessWindow window;
    window.name = QStringLiteral("Line 3");
    window.minPeak = 350;
    window.maxPeak = 480;
    window.minDose = 200000;
    QVector<double> trendMs;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer clock;
        clock.start();
        TrendWindow trend(&library, traced, window);
        trend.show();
        const QPixmap picture = trend.grab();
        trendMs.append(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (picture.isNull() || trend.plot()->graph(0)->dataCount() != kTrendRecordings) {
            log() << "the trend drew nothing\n";
            return 1;
        }
    }
    log() << "overlay runs: " << overlayMs.size() << ", trend runs: " << trendMs.size() << '\n';
    printFigure("overlay_20_ms", median(overlayMs), "ms", 1);
    printFigure("trend_10k_ms", median(trendMs), "ms", 0);
    return 0;
}
