#include "appinit.h"
#include "appstyle.h"
#include "demoinstrument.h"
#include "mainwindow.h"
#include "singleinstance.h"
#include "userprompts.h"
#include "virtualdevicemonitor.h"
#include "virtualhidbackend.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>

namespace {

// Scripted runs (tests, benchmarks) answer every prompt with OK / Yes and print it.
void answerPromptsOnStdout()
{
    UserPrompts::setHandler([](const UserPrompts::Prompt &prompt) {
        QTextStream out(stdout);
        out << prompt.title << ": " << prompt.text << '\n';
        out.flush();
        return UserPrompts::Answer{};
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("solvane"));
    QApplication::setApplicationVersion(QStringLiteral("2.3"));

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Start with a virtual instrument plugged in."),
                                  QStringLiteral("meter|logger"));
    const QCommandLineOption answer(
        QStringLiteral("answer-prompts"),
        QStringLiteral("Answer every message box with OK/Yes and print it (scripted runs)."));
    // For the start-up benchmark (bench/), not for users.
    QCommandLineOption quitWhenShown(
        QStringLiteral("quit-when-shown"),
        QStringLiteral("Print \"shown\" once the main window is shown, then quit."));
    quitWhenShown.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption library(
        QStringLiteral("library"),
        QStringLiteral(
            "Keep recordings in this library: a file, or postgresql://[user@]host[:port]/db."),
        QStringLiteral("location"));
    parser.addOption(demo);
    parser.addOption(library);
    parser.addOption(answer);
    parser.addOption(quitWhenShown);
    parser.process(app);
    if (parser.isSet(answer))
        answerPromptsOnStdout();
    // The demo's made-up recordings never mix with the user's own.
    if (parser.isSet(library))
        qputenv("SOLVANE_LIBRARY", parser.value(library).toLocal8Bit());
    else if (parser.isSet(demo) && !qEnvironmentVariableIsSet("SOLVANE_LIBRARY"))
        qputenv("SOLVANE_LIBRARY",
                QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
                    .filePath(QStringLiteral("demo-library.sqlite"))
                    .toLocal8Bit());

    SingleInstance single(QStringLiteral("solvane"));
    if (!single.isPrimary() && !single.errorString().isEmpty()) {
        UserPrompts::information(
            nullptr, QCoreApplication::translate("SingleInstance", "error"),
            QCoreApplication::translate("SingleInstance", "Solvane cannot start: %1")
                .arg(single.errorString()));
        return 1;
    }
    if (!single.isPrimary()) {
        single.sendMessage(QStringLiteral("active!!!!!"), 5000);
        UserPrompts::information(nullptr, QStringLiteral("Warn"),
                                 QStringLiteral("Device already opened."));
        return 0;
    }

    AppStyle::applyStyleSheet();
    AppStyle::applyFont();
    AppInit::Instance()->start();

    VirtualHidBackend virtualBackend;
    if (parser.isSet(demo)) {
        VirtualInstrument *instrument = DemoInstrument::create(parser.value(demo), &app);
        if (!instrument) {
            QTextStream(stderr) << "unknown demo instrument: " << parser.value(demo)
                                << " (use meter or logger)\n";
            return 2;
        }
        virtualBackend.setInstrument(instrument);
        HidBackend::setCurrent(&virtualBackend);
        DeviceMonitor::setFactory([instrument](QObject *parent) -> DeviceMonitor * {
            return new VirtualDeviceMonitor(instrument, parent);
        });
    }

    MainWindow *window = MainWindow::instance();
    single.setActivationWindow(window);
    window->setWindowTitle(QStringLiteral("Solvane V2.3"));
    window->show();
    if (parser.isSet(quitWhenShown)) {
        // show() delivers the show event before it returns; this runs on the first pass
        // of the event loop after it.
        QTimer::singleShot(0, &app, [window] {
            QTextStream(stdout) << (window->isVisible() ? "shown" : "not shown") << Qt::endl;
            QCoreApplication::quit();
        });
    }
    QObject::connect(&single, &SingleInstance::messageReceived, window,
                     &MainWindow::handleAppMessage);

    const int result = app.exec();
    MainWindow::destroyInstance();
    AppInit::release();
    HidBackend::setCurrent(nullptr);
    return result;
}
