#include "demoinstrument.h"
#include "instrumentprotocol.h"
#include "mainwindow.h"
#include "virtualhidbackend.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

// Until the window is built, the program opens the instrument and prints what it reads.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption demo(QStringLiteral("demo"),
                            QStringLiteral("Use a virtual instrument instead of a real one."),
                            QStringLiteral("meter|logger"));
    parser.addOption(demo);
    parser.process(app);

    VirtualInstrument *instrument = nullptr;
    VirtualHidBackend backend;
    if (parser.isSet(demo)) {
        instrument = DemoInstrument::create(parser.value(demo), &app);
        if (!instrument) {
            QTextStream(stderr) << "unknown demo instrument: " << parser.value(demo) << '\n';
            return 2;
        }
        backend.setInstrument(instrument);
        HidBackend::setCurrent(&backend);
    }

    QTextStream out(stdout);
    MainWindow *window = MainWindow::instance();
    if (!window->OpenUSB()) {
        out << "No instrument found.\n";
        MainWindow::destroyInstance();
        return 1;
    }
    InstrumentProtocol *protocol = InstrumentProtocol::instance();
    ProductionInfo info;
    int code = protocol->ReadProductionInfo(info);
    out << "production record: " << code << "  serial " << info.serialNumber << "  model "
        << info.modelCode << "  produced " << info.productionDate.toString(Qt::ISODate) << '\n';
    int version = 0;
    code = protocol->ReadFirmwareVersion(version);
    out << "firmware: " << code << "  " << QString::number(version / 10.0, 'f', 1) << '\n';
    QDate calibrated;
    code = protocol->ReadCalibrationDate(calibrated);
    out << "calibration: " << code << "  " << calibrated.toString(Qt::ISODate) << '\n';
    int h[4] = {};
    code = protocol->ReadHostConfigure(h[0], h[1], h[2], h[3]);
    out << "host settings: " << code << "  " << h[0] << ' ' << h[1] << ' ' << h[2] << ' ' << h[3] << '\n';
    int s[4] = {};
    code = protocol->ReadMeasureConfigure(s[0], s[1], s[2], s[3]);
    out << "measure settings: " << code << "  " << s[0] << ' ' << s[1] << ' ' << s[2] << ' ' << s[3] << '\n';
    QDateTime clock;
    code = protocol->ReadDateTime(clock);
    out << "clock: " << code << "  " << clock.toString(Qt::ISODate) << '\n';
    int groups = 0;
    code = protocol->ReadPowerGroupCount(groups);
    out << "stored groups: " << code << "  " << groups << '\n';
    out.flush();

    MainWindow::destroyInstance();
    HidBackend::setCurrent(nullptr);
    return 0;
}
