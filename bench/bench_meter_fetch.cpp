// The meter page's Get Data of 9 groups at one input report per millisecond, from the
// click until the page is idle again with the 9 rows shown.
#include "benchsupport.h"
#include "firstpagefor415.h"
#include "mainwindow.h"
#include "pluggedinstrument.h"
#include "pollingworkercontrol.h"
#include "promptrecorder.h"
#include "sampledata.h"
#include "virtualinstrument.h"

#include <QApplication>
#include <QPushButton>
#include <QTableWidget>
#include <memory>

namespace {

constexpr int kGroups = 9;
constexpr int kRuns = 5;
constexpr int kReportIntervalUs = 1000;

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    using namespace BenchSupport;

    auto meter = std::make_unique<VirtualInstrument>(VirtualInstrument::Family::Meter, 7001297);
    meter->setMeterGroups(SampleData::meterGroups(kGroups));
    meter->setMeasureSettings(0, 10, 0, 0);
    meter->setReportIntervalMicroseconds(kReportIntervalUs);
    PromptRecorder prompts;
    PluggedInstrument plugged(meter.get());

    int status = 0;
    MainWindow::instance()->show();
    FirstPageFor415 *page = MainWindow::instance()->meterPage();
    if (MainWindow::instance()->family() != 415 || !page || !page->workerControl()->isRunning()) {
        log() << "the meter was not recognised or its worker is not running\n";
        status = 1;
    }
    settle(1000); // the start-up reads

    QVector<double> times, wires;
    auto *button = page ? page->findChild<QPushButton *>(QStringLiteral("GetDataBtn")) : nullptr;
    auto *table = page ? page->findChild<QTableWidget *>(QStringLiteral("tbData")) : nullptr;
    for (int run = 0; status == 0 && run < kRuns; ++run) {
        prompts.clear();
        const qint64 before = meter->reportsDelivered();
        QElapsedTimer clock;
        clock.start();
        button->click(); // reads, then sends the requests; the worker collects the replies
        const double clickMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        const bool done =
            waitUntil([&] { return !page->busy && table->rowCount() == kGroups; }, 20000);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        // Every reply of the fetch, the click's reads included, at the pace of the wire.
        const double wireMs =
            static_cast<double>(meter->reportsDelivered() - before) * kReportIntervalUs / 1000.0;
        if (!done || !prompts.prompts().isEmpty()) {
            log() << "fetch failed: rows " << table->rowCount()
                  << ", prompts: " << prompts.texts().join(" | ") << '\n';
            status = 1;
            break;
        }
        log() << "run " << run + 1 << ": " << ms << " ms, of which " << clickMs
              << " ms in the click; wire time " << wireMs << " ms\n";
        times.append(ms);
        wires.append(wireMs);
        settle(300);
    }

    if (status != 0)
        return status;
    printFigure("meter_fetch_ms", median(times), "ms", 0);
    printFigure("meter_fetch_wire_ms", median(wires), "ms", 0);
    return 0;
}
