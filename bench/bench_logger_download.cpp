// The logger page's Get Data of 25 full recordings at one input report per millisecond:
// wall time over the wire time of the reports the instrument delivered meanwhile.
#include "benchsupport.h"
#include "firstpagefor416.h"
#include "mainwindow.h"
#include "pluggedinstrument.h"
#include "promptrecorder.h"
#include "sampledata.h"
#include "virtualinstrument.h"

#include <QApplication>
#include <QPushButton>
#include <QTableWidget>
#include <memory>

namespace {

constexpr int kRecordings = 25;
constexpr int kSamples = 606; // a full recording
constexpr int kRuns = 3;
constexpr int kReportIntervalUs = 1000;

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    using namespace BenchSupport;

    auto logger = std::make_unique<VirtualInstrument>(VirtualInstrument::Family::Logger, 5633416);
    logger->setRecordings(SampleData::recordings(kRecordings, kSamples, 0.5f, 11,
                                                 QDateTime(QDate(2024, 3, 1), QTime(9, 0, 30))));
    logger->setFrameDataSize(52);
    logger->setHostSettings(0, 5, 1, 0);
    logger->setReportIntervalMicroseconds(kReportIntervalUs);
    PromptRecorder prompts;
    PluggedInstrument plugged(logger.get());

    int status = 0;
    MainWindow::instance()->show();
    FirstPageFor416 *page = MainWindow::instance()->loggerPage();
    if (MainWindow::instance()->family() != 416 || !page) {
        log() << "the logger was not recognised\n";
        status = 1;
    }
    settle(1000); // the start-up reads

    QVector<double> ratios, walls, wires;
    auto *button = page ? page->findChild<QPushButton *>(QStringLiteral("GetDataBtn")) : nullptr;
    auto *table = page ? page->findChild<QTableWidget *>(QStringLiteral("tbData")) : nullptr;
    for (int run = 0; status == 0 && run < kRuns; ++run) {
        prompts.clear();
        const qint64 before = logger->reportsDelivered();
        QElapsedTimer clock;
        clock.start();
        button->click(); // the download runs inside the click
        const double wallMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const qint64 reports = logger->reportsDelivered() - before;
        if (page->busy || table->rowCount() != kRecordings || !prompts.prompts().isEmpty() ||
            reports <= 0) {
            log() << "download failed: rows " << table->rowCount()
                  << ", prompts: " << prompts.texts().join(" | ") << '\n';
            status = 1;
            break;
        }
        // The reports' own time on the wire: the least any download of them can take.
        const double wireMs = static_cast<double>(reports) * kReportIntervalUs / 1000.0;
        const double ratio = wallMs / wireMs;
        log() << "run " << run + 1 << ": " << wallMs << " ms for " << reports << " reports, ratio "
              << ratio << '\n';
        ratios.append(ratio);
        walls.append(wallMs);
        wires.append(wireMs);
        settle(200);
    }

    if (status != 0)
        return status;
    printFigure("logger_download_ms", median(walls), "ms", 0);
    printFigure("logger_download_wire_ms", median(wires), "ms", 0);
    printFigure("logger_download_ratio", median(ratios), "x", 2);
    return 0;
}
