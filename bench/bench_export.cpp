// The Excel export of a 100 000-sample recording with the xlsx engine, from the call to
// the workbook being in place; and a workbook of 20 recordings of 10 000 samples each.
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

constexpr int kSamples = 100000;
constexpr int kRuns = 3;
constexpr int kBookRecordings = 20;
constexpr int kBookSamples = 10000;

Recording recording(int samples)
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
    r.group = 1;
    r.serial = QStringLiteral("5633416");
    r.intervalSeconds = 10;
    r.setGroupData(data);
    return r;
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

    const Recording data = recording(kSamples);
    QVector<double> times;
    int status = 0;
    for (int run = 0; run < kRuns; ++run) {
        const QString target = dir.filePath(QStringLiteral("export%1.xlsx").arg(run));
        recorder.setSaveAs(target);
        recorder.clear();
        const qsizetype openedBefore = urls.opened().size();
        QElapsedTimer clock;
        clock.start();
        ExcelExport::run(nullptr, false, data);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const QFileInfo written(target);
        if (!written.isFile() || written.size() < 100000 ||
            urls.opened().size() != openedBefore + 1 || !messages().isEmpty()) {
            log() << "export failed: size " << written.size()
                  << ", prompts: " << messages().join(" | ") << '\n';
            status = 1;
            break;
        }
        log() << "run " << run + 1 << ": " << ms << " ms, " << written.size() << " bytes\n";
        times.append(ms);
    }

    ExcelExport::setEngineFactory({});
    if (status != 0)
        return status;
    printFigure("export_100k_ms", median(times), "ms", 0);

    QList<Recording> several;
    for (int i = 0; i < kBookRecordings; ++i) {
        several.append(recording(kBookSamples));
        several.last().id = i + 1;
    }
    QVector<double> bookTimes;
    for (int run = 0; run < kRuns; ++run) {
        const QString target = dir.filePath(QStringLiteral("several%1.xlsx").arg(run));
        QElapsedTimer clock;
        clock.start();
        QString error;
        if (!RecordingWorkbook().write(target, several, nullptr, &error)) {
            log() << "workbook failed: " << error << '\n';
            return 1;
        }
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        log() << "workbook run " << run + 1 << ": " << ms << " ms, " << QFileInfo(target).size()
              << " bytes\n";
        bookTimes.append(ms);
    }
    printFigure("export_multi_20x10k_ms", median(bookTimes), "ms", 0);
    return 0;
}
