// The Chinese program: every text it passes through the translation layer has a wording in
// the real compiled catalogue, and Qt's own dialogs follow the language buttons.
#include "devicemonitor.h"
#include "firstpagefor415.h"
#include "firstpagefor416.h"
#include "instrumentprotocol.h"
#include "mainwindow.h"
#include "tableopwidget.h"
#include "userprompts.h"
#include "virtualdevicemonitor.h"
#include "virtualhidbackend.h"
#include "virtualinstrument.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>
#include <algorithm>
#include <memory>

namespace {

// The real catalogue, noting every lookup it has no wording for.
class RecordingTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *source, const char *disambiguation,
                      int n) const override
    {
        const QString text = QTranslator::translate(context, source, disambiguation, n);
        if (text.isNull() && source && *source)
            missing.insert(QString::fromUtf8(context) + QLatin1String(" | ") +
                           QString::fromUtf8(source));
        return text;
    }
    mutable QSet<QString> missing;
};

// Qt's classes speak through Qt's catalogue; "QObject" is the program's general context.
bool qtContext(const QString &entry)
{
    return entry.size() > 1 && entry[0] == QLatin1Char('Q') && entry[1].isUpper() &&
           !entry.startsWith(QLatin1String("QObject |"));
}

} // namespace

class tst_Translations : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void everyTextHasAChineseWording();
    void qtDialogsFollowTheLanguage();

private:
    // A fresh window, in Chinese, with this instrument plugged in (or none).
    static MainWindow *startWith(VirtualHidBackend *backend, VirtualInstrument *instrument,
                                 VirtualInstrument *&current);
    // Clicks every button under `root` once, those of new windows too; the row buttons
    // first, as a setup write empties the table.
    static void clickEverything(QWidget *root);

    std::unique_ptr<VirtualHidBackend> m_backend;
    std::unique_ptr<VirtualInstrument> m_logger;
    std::unique_ptr<VirtualInstrument> m_meter;
    VirtualInstrument *m_current = nullptr;
    QTemporaryDir m_files;
    QString m_saveName = QStringLiteral("group");
    QList<QUrl> m_opened;
    QString m_startDir;
};

void tst_Translations::initTestCase()
{
    m_startDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QStringLiteral(SOLVANE_QM_DIR)));
    InstrumentProtocol::setReceiveTimeoutMs(300);
    FirstPageFor416::setClockHoldMs(0);
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    UserPrompts::setHandler([this](const UserPrompts::Prompt &prompt) {
        UserPrompts::Answer answer;
        if (prompt.kind == UserPrompts::Kind::SaveFile)
            answer.fileName = m_files.filePath(m_saveName);
        answer.accepted = prompt.kind != UserPrompts::Kind::Print;
        return answer;
    });
    m_backend = std::make_unique<VirtualHidBackend>(nullptr);
    HidBackend::setCurrent(m_backend.get());
    DeviceMonitor::setFactory([this](QObject *parent) -> DeviceMonitor * {
        return new VirtualDeviceMonitor(m_current, parent);
    });

    m_logger = std::make_unique<VirtualInstrument>(VirtualInstrument::Family::Logger, 5633416);
    m_logger->setRecordings({{QDateTime(QDate(2024, 3, 1), QTime(9, 0)), {1.5f, 2.5f, 3.5f}}});
    m_meter = std::make_unique<VirtualInstrument>(VirtualInstrument::Family::Meter, 7001297);
    m_meter->setMeterGroups({{100.5f, 150.5f, 60.25f, 103.0f, 2500.75f, 60.5f}});
}

void tst_Translations::cleanup()
{
    MainWindow::destroyInstance();
    m_backend->setInstrument(nullptr);
    m_current = nullptr;
}

void tst_Translations::cleanupTestCase()
{
    HidBackend::setCurrent(nullptr);
    DeviceMonitor::setFactory({});
    UserPrompts::setHandler({});
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDir::setCurrent(m_startDir);
}

MainWindow *tst_Translations::startWith(VirtualHidBackend *backend, VirtualInstrument *instrument,
                                        VirtualInstrument *&current)
{
    MainWindow::destroyInstance();
    current = instrument;
    backend->setInstrument(instrument);
    return MainWindow::instance();
}

void tst_Translations::clickEverything(QWidget *root)
{
    QSet<QAbstractButton *> clicked;
    for (int round = 0; round < 4; ++round) {
        QList<QPointer<QAbstractButton>> buttons;
        for (QAbstractButton *button : root->findChildren<QAbstractButton *>()) {
            if (!clicked.contains(button) && button->isVisibleTo(button->window()))
                buttons << button;
        }
        std::stable_partition(buttons.begin(), buttons.end(), [](const auto &button) {
            return qobject_cast<TableOpWidget *>(button->parentWidget()) != nullptr;
        });
        for (const QPointer<QAbstractButton> &button : buttons) {
            clicked.insert(button);
            if (button && button->isEnabled())
                button->click();
        }
    }
}

void tst_Translations::everyTextHasAChineseWording()
{
    RecordingTranslator catalogue;
    QVERIFY(catalogue.load(QStringLiteral("Solvane_zh"), QStringLiteral(SOLVANE_QM_DIR)));
    QCoreApplication::installTranslator(&catalogue);

    // Every text the catalogue holds has its wording...
    QFile ts(QStringLiteral(SOLVANE_ZH_TS));
    QVERIFY(ts.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&ts);
    QByteArray context;
    int sources = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText().toUtf8();
        } else if (xml.name() == QLatin1String("source")) {
            QCoreApplication::translate(context, xml.readElementText().toUtf8());
            ++sources;
        }
    }
    QVERIFY(!xml.hasError());
    QVERIFY(sources > 100);

    // ... and so has every text of the windows, reports, dialogs, export and messages.
    MainWindow *window = startWith(m_backend.get(), m_logger.get(), m_current);
    QVERIFY(window->loggerPage()->isChinese);
    QCOMPARE(window->family(), 416);
    auto *table = window->loggerPage()->findChild<QTableWidget *>(QStringLiteral("tbData"));
    window->loggerPage()->findChild<QPushButton *>(QStringLiteral("GetDataBtn"))->click();
    QCOMPARE(table->rowCount(), 1);
    // The export: written, asked about replacing, refused while open elsewhere, unwritable.
    QAbstractButton *excel = qobject_cast<TableOpWidget *>(table->cellWidget(0, 7))->EXCELBtn;
    excel->click();
    QCOMPARE(m_opened.size(), 1);
    excel->click();
    QFile lock(m_files.filePath(QStringLiteral(".~lock.group.xlsx#")));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    excel->click();
    QVERIFY(lock.remove());
    m_saveName = QStringLiteral("missing/group");
    excel->click();
    QCOMPARE(m_opened.size(), 2);
    clickEverything(window->loggerPage());
    m_logger->unplug();
    QTRY_VERIFY(!window->link());
    clickEverything(window->loggerPage());

    window = startWith(m_backend.get(), m_meter.get(), m_current);
    QCOMPARE(window->family(), 415);
    table = window->meterPage()->findChild<QTableWidget *>(QStringLiteral("tbData"));
    window->meterPage()->findChild<QPushButton *>(QStringLiteral("GetDataBtn"))->click();
    QTRY_COMPARE(table->rowCount(), 1);
    clickEverything(window->meterPage());
    m_meter->setProbeConnected(false);
    m_meter->setProbeConnected(true);
    m_meter->unplug();
    QTRY_VERIFY(!window->link());
    clickEverything(window->meterPage());
    QCoreApplication::removeTranslator(&catalogue);

    QStringList missing;
    for (const QString &entry : std::as_const(catalogue.missing)) {
        if (!qtContext(entry))
            missing << entry;
    }
    missing.sort();
    QVERIFY2(missing.isEmpty(), qPrintable(QLatin1String("no Chinese wording for:\n") +
                                           missing.join(QLatin1Char('\n'))));
}

void tst_Translations::qtDialogsFollowTheLanguage()
{
    MainWindow *window = MainWindow::instance();
    // A fresh box each time: a box takes its texts when it makes its buttons.
    const auto cancel = [] {
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        return box.button(QDialogButtonBox::Cancel)->text();
    };
    QCOMPARE(cancel(), QStringLiteral("取消"));
    window->on_btnLanguageEn_clicked();
    QCOMPARE(cancel(), QStringLiteral("Cancel"));
    window->on_btnLanguageZh_clicked();
    QCOMPARE(cancel(), QStringLiteral("取消"));
}

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
