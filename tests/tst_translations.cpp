// The Chinese program: every text it passes through the translation layer has a wording in
// the real compiled catalogue, and Qt's own dialogs follow the language buttons.
#include "catalogue.h"
#include "firstpagefor415.h"
#include "firstpagefor416.h"
#include "instrumentprotocol.h"
#include "mainwindow.h"
#include "pluggedinstrument.h"
#include "promptrecorder.h"
#include "tableopwidget.h"
#include "urlrecorder.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <algorithm>

class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(Catalogue::directory()));
        InstrumentProtocol::setReceiveTimeoutMs(300);
        FirstPageFor416::setClockHoldMs(0);
        m_prompts.setSaveAs(m_files.filePath(QStringLiteral("group")));
    }
    void cleanup() { m_plugged.reset(); }
    void cleanupTestCase() { QDir::setCurrent(m_startDir); }

    void everyTextHasAChineseWording()
    {
        Catalogue catalogue;
        QVERIFY(catalogue.install());

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
        VirtualInstrument *logger = m_plugged.create(VirtualInstrument::Family::Logger, 5633416);
        logger->setRecordings({{QDateTime(QDate(2024, 3, 1), QTime(9, 0)), {1.5f, 2.5f, 3.5f}}});
        MainWindow *window = m_plugged.start(logger);
        QVERIFY(window->loggerPage()->isChinese);
        QCOMPARE(window->family(), 416);
        QTableWidget *table = getData(window->loggerPage());
        QCOMPARE(table->rowCount(), 1);
        // The export: written, asked about replacing, refused while open elsewhere, unwritable.
        QAbstractButton *excel = qobject_cast<TableOpWidget *>(table->cellWidget(0, 7))->EXCELBtn;
        excel->click();
        QCOMPARE(m_opened.opened().size(), 1);
        excel->click();
        QFile lock(m_files.filePath(QStringLiteral(".~lock.group.xlsx#")));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        excel->click();
        QVERIFY(lock.remove());
        m_prompts.setSaveAs(m_files.filePath(QStringLiteral("missing/group")));
        excel->click();
        QCOMPARE(m_opened.opened().size(), 2);
        clickEverythingAndUnplug(logger, window->loggerPage());

        VirtualInstrument *meter = m_plugged.create(VirtualInstrument::Family::Meter, 7001297);
        meter->setMeterGroups({{100.5f, 150.5f, 60.25f, 103.0f, 2500.75f, 60.5f}});
        window = m_plugged.start(meter);
        QCOMPARE(window->family(), 415);
        table = getData(window->meterPage());
        QTRY_COMPARE(table->rowCount(), 1);
        clickEverythingAndUnplug(meter, window->meterPage());

        const QStringList missing = catalogue.missing();
        QVERIFY2(missing.isEmpty(), qPrintable(QLatin1String("no Chinese wording for:\n") +
                                               missing.join(QLatin1Char('\n'))));
    }
    void qtDialogsFollowTheLanguage()
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

private:
    // Clicks every button under `root` once, those of new windows too; the row buttons
    // first, as a setup write empties the table.
    static void clickEverything(QWidget *root);
    // Everything clicked with the instrument plugged, the probe out and in for a meter, and
    // once more after it is unplugged.
    static void clickEverythingAndUnplug(VirtualInstrument *instrument, QWidget *page);
    // Clicks the page's Get Data; its table.
    static QTableWidget *getData(QWidget *page)
    {
        page->findChild<QPushButton *>(QStringLiteral("GetDataBtn"))->click();
        return page->findChild<QTableWidget *>(QStringLiteral("tbData"));
    }

    // Confirms boxes, saves into m_files, refuses to print.
    PromptRecorder m_prompts;
    UrlRecorder m_opened;
    PluggedInstrument m_plugged;
    QTemporaryDir m_files;
    QString m_startDir;
};

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

void tst_Translations::clickEverythingAndUnplug(VirtualInstrument *instrument, QWidget *page)
{
    clickEverything(page);
    if (instrument->family() == VirtualInstrument::Family::Meter) {
        instrument->setProbeConnected(false);
        instrument->setProbeConnected(true);
    }
    instrument->unplug();
    QTRY_VERIFY(!MainWindow::instance()->link());
    clickEverything(page);
}

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
