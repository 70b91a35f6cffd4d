// The exports at the sizes they have in use: one logger recording (606 samples) through the
// page's export, from the call to the workbook being in place; a full logger's 25 recordings
// of 606 samples in one workbook; and the workbook of 2 000 recordings, half of them logger
// recordings with a sheet each, half meter groups that have only their summary row.
#include "benchsupport.h"
#include "excelexport.h"
#include "promptrecorder.h"
#include "recording.h"
#include "recordingworkbook.h"
#include "urlrecorder.h"
#include "xlsxengine.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstring>

namespace {

constexpr int kSamples = 606;
constexpr int kRuns = 5;
constexpr int kLoggerGroups = 25;
constexpr int kSummaryRecordings = 2000;

Recording logger(int samples, qint64 id)
{
    QByteArray data("\x18\x01\x05\x09\x1e\x00", 6);
    data.reserve(6 + 4 * samples);
    for (int k = 0; k < samples; ++k) {
        const float sample = 1000.0f + 0.37f * static_cast<float>(k % 5000);
        quint32 raw;
        std::memcpy(&raw, &sample, sizeof raw);
        raw = qToLittleEndian(raw);
        data.append(reinterpret_cast<const char *>(&raw), sizeof raw);
    }
    Recording r;
    r.id = id;
    r.group = int(id % 25) + 1;
    r.serial = QStringLiteral("5633416");
    r.intervalSeconds = 10;
    r.setGroupData(data);
    return r;
}

Recording meter(qint64 id)
{
    Recording r;
    r.family = Recording::Family::Meter;
    r.id = id;
    r.serial = QStringLiteral("5633415");
    r.group = int(id % 99) + 1;
    r.energy = 12.3f + float(id);
    r.duration = 30;
    r.powerRt = 1.25;
    r.powerMax = 2.5;
    r.powerMin = 0.75;
    r.powerAvg = 1.5;
    r.unit = QStringLiteral("mW/cm²");
    return r;
}

// The median time of RecordingWorkbook::write in ms; negative when it failed.
double workbookMs(const QTemporaryDir &dir, const char *name, const QList<Recording> &recordings)
{
    using namespace BenchSupport;
    QVector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const QString target = dir.filePath(QStringLiteral("%1%2.xlsx").arg(name).arg(run));
        QElapsedTimer clock;
        clock.start();
        QString error;
        if (!RecordingWorkbook().write(target, recordings, nullptr, &error)) {
            log() << name << " failed: " << error << '\n';
            return -1;
        }
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        log() << name << " run " << run + 1 << ": " << ms << " ms, " << QFileInfo(target).size()
              << " bytes\n";
        times.append(ms);
    }
    return median(times);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    using namespace BenchSupport;

    QTemporaryDir dir;
    if (!dir.isValid()) {
        log() << "no temporary directory\n";
        return 1;
    }
    UrlRecorder urls;
    ExcelExport::setEngineFactory([](const QString &fileName) -> std::unique_ptr<ExcelEngine> {
        return std::make_unique<XlsxEngine>(fileName);
    });
    PromptRecorder recorder;
    // Everything said besides the file dialog.
    auto messages = [&recorder] {
        QStringList list;
        for (const UserPrompts::Prompt &prompt : recorder.prompts()) {
            if (prompt.kind != UserPrompts::Kind::SaveFile)
                list.append(prompt.title + QLatin1Char('/') + prompt.text);
        }
        return list;
    };

    const Recording one = logger(kSamples, 1);
    QVector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const QString target = dir.filePath(QStringLiteral("export%1.xlsx").arg(run));
        recorder.setSaveAs(target);
        recorder.clear();
        const qsizetype openedBefore = urls.opened().size();
        QElapsedTimer clock;
        clock.start();
        ExcelExport::run(nullptr, false, one);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const QFileInfo written(target);
        if (!written.isFile() || written.size() < 5000 ||
            urls.opened().size() != openedBefore + 1 || !messages().isEmpty()) {
            log() << "export failed: size " << written.size()
                  << ", prompts: " << messages().join(" | ") << '\n';
            return 1;
        }
        log() << "run " << run + 1 << ": " << ms << " ms, " << written.size() << " bytes\n";
        times.append(ms);
    }
    ExcelExport::setEngineFactory({});
    printFigure("export_606_ms", median(times), "ms", 1);

    QList<Recording> full;
    for (int i = 0; i < kLoggerGroups; ++i)
        full.append(logger(kSamples, i + 1));
    const double fullMs = workbookMs(dir, "logger", full);
    if (fullMs < 0)
        return 1;
    printFigure("export_logger_25x606_ms", fullMs, "ms", 0);

    QList<Recording> library;
    for (int i = 0; i < kSummaryRecordings; ++i)
        library.append(i % 2 ? meter(i + 1) : logger(kSamples, i + 1));
    const double libraryMs = workbookMs(dir, "summary", library);
    if (libraryMs < 0)
        return 1;
    printFigure("export_summary_2000_ms", libraryMs, "ms", 0);
    return 0;
}
