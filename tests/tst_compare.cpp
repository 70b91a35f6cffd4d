// The Library window's comparisons on a real SQLite library: the overlay of recordings, the
// trend of one instrument, the process windows and every entry's verdict. The overlay and the
// trend are also saved as README pictures under the style sheet, in English and Chinese.
#include "appstyle.h"
#include "auditwindow.h"
#include "bytes.h"
#include "catalogue.h"
#include "hostprocess.h"
#include "librarymodel.h"
#include "librarywindow.h"
#include "overlaywindow.h"
#include "processwindowdialog.h"
#include "processwindowstore.h"
#include "programsettings.h"
#include "promptrecorder.h"
#include "recordinglibrary.h"
#include "trendwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <limits>
#include <qcustomplot.h>

using namespace Qt::StringLiterals;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const QDateTime kStart(QDate(2024, 3, 1), QTime(8, 0));

Recording logger(const QString &serial, const QDateTime &start, int interval,
                 const QList<float> &samples, double peak = 0)
{
    Recording r;
    r.serial = serial;
    r.modelCode = 5633416;
    r.modelName = QStringLiteral("VT416C");
    r.group = 1;
    r.startTime = start;
    r.intervalSeconds = interval;
    r.samples = Bytes::floats(samples);
    r.powerMax = peak;
    return r;
}

Recording meterGroup(const QString &unit, double max, double energy)
{
    Recording r;
    r.family = Recording::Family::Meter;
    r.serial = QStringLiteral("7001297");
    r.modelCode = 7001297;
    r.modelName = QStringLiteral("VT415");
    r.unit = unit;
    r.powerMax = max;
    r.energy = energy;
    return r;
}

// A lamp's run: a rise, a plateau of about `level` with a ripple, and the fall at the end.
QList<float> run(double level, int count, int seed)
{
    QList<float> values;
    for (int k = 0; k < count; ++k) {
        const double rise = std::min(1.0, k / 40.0) * std::min(1.0, (count - k) / 20.0);
        const double ripple =
            0.03 * std::sin((k + 7 * seed) / 9.0) + 0.01 * std::sin(k * 12.9898 + seed * 78.233);
        values << float(level * rise * (1 + ripple));
    }
    return values;
}

ProcessWindow window(const QString &name, std::optional<double> minPeak,
                     std::optional<double> maxPeak, std::optional<double> minDose,
                     std::optional<double> maxDose)
{
    ProcessWindow w;
    w.name = name;
    w.minPeak = minPeak;
    w.maxPeak = maxPeak;
    w.minDose = minDose;
    w.maxDose = maxDose;
    return w;
}

QList<std::pair<double, double>> points(const QCPGraph *graph)
{
    QList<std::pair<double, double>> list;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
        list.append({it->key, it->value});
    return list;
}

double day(int d)
{
    return QCPAxisTickerDateTime::dateTimeToKey(kStart.date().addDays(d));
}

} // namespace

class tst_Compare : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        AppStyle::applyStyleSheet();
        AppStyle::applyFont();
    }
    void init()
    {
        QString error;
        QVERIFY(ProcessWindowStore::save({}, error));
        ProcessWindowStore::setChosenName(QString());
        m_dir = std::make_unique<QTemporaryDir>();
        m_library = std::make_unique<RecordingLibrary>();
        QVERIFY2(m_library->open(m_dir->filePath(QStringLiteral("library.sqlite"))),
                 qPrintable(m_library->lastError()));
        m_prompts.clear();
    }
    void cleanup()
    {
        m_library.reset();
        m_dir.reset();
    }

    void overlay()
    {
        const QString serial = QStringLiteral("5633416");
        const struct {
            QList<float> samples;
            int interval;
            QList<double> keys;
        } cases[] = {
            {{1, 2, 3}, 2, {0, 2, 4}},
            {{}, 1, {}},
            {{5}, 0, {0}}, // no interval: one second per sample
            {{1, kNaN, kInf, 4}, 3, {0, 3, 6, 9}},
        };
        QList<Recording> stored;
        for (int i = 0; i < int(std::size(cases)); ++i)
            stored << logger(serial, kStart.addDays(i), cases[i].interval, cases[i].samples);
        stored << meterGroup(QStringLiteral("mW/cm²"), 1, 1);
        const RecordingLibrary::StoreResult result = m_library->store(stored);
        QVERIFY2(result.ok, qPrintable(result.error));

        LibraryWindow library(m_library.get(), false);
        auto *view = library.findChild<QTableView *>(QStringLiteral("entriesView"));
        view->selectAll();
        auto *overlayBtn = library.findChild<QPushButton *>(QStringLiteral("OverlayBtn"));
        QVERIFY(overlayBtn->isEnabled());
        overlayBtn->click();
        auto *overlay = library.findChild<OverlayWindow *>();
        QVERIFY(overlay);
        QCustomPlot *plot = overlay->plot();
        QCOMPARE(plot->graphCount(), 4);
        QSet<QRgb> colours;
        for (int i = 0; i < int(std::size(cases)); ++i) {
            const QString name =
                kStart.addDays(i).toString(u"'VT416C 5633416  'yyyy-MM-dd hh:mm:ss"_s);
            QCPGraph *graph = nullptr;
            for (int g = 0; g < plot->graphCount(); ++g)
                graph = plot->graph(g)->name() == name ? plot->graph(g) : graph;
            QVERIFY2(graph, qPrintable(name));
            colours.insert(graph->pen().color().rgb());
            const QList<std::pair<double, double>> drawn = points(graph);
            QCOMPARE(drawn.size(), cases[i].keys.size());
            for (int k = 0; k < drawn.size(); ++k) {
                QCOMPARE(drawn[k].first, cases[i].keys[k]);
                const float sample = cases[i].samples[k];
                if (std::isfinite(sample))
                    QCOMPARE(drawn[k].second, double(sample));
                else
                    QVERIFY(std::isnan(drawn[k].second)); // a gap
            }
        }
        QCOMPARE(colours.size(), 4);
        QCOMPARE(plot->xAxis->label(), u"Time (s)"_s);
        QCOMPARE(plot->yAxis->label(), u"Irradiance (uW/cm²)"_s);
        QVERIFY2(
            overlay->status().contains(u"Meter groups have no curve: 1 left out."_s) &&
                overlay->status().contains(u"No interval known for entry %1"_s.arg(result.ids[2])),
            qPrintable(overlay->status()));

        // The same choice in one workbook: the summary has a row per entry, and each logger
        // recording a sheet of its own, read back by openpyxl.
        m_prompts.setSaveAs(m_dir->filePath(u"chosen"_s));
        library.findChild<QPushButton *>(u"WorkbookBtn"_s)->click();
        const QString book = m_dir->filePath(u"chosen.xlsx"_s);
        const HostProcess::Result python = HostProcess::run(
            u"python3"_s, {u"-c"_s,
                           u"import sys, openpyxl\nwb = openpyxl.load_workbook(sys.argv[1])\n"
                           "print(len(wb.worksheets), wb.worksheets[0].max_row)"_s,
                           book});
        QVERIFY(python.ran);
        QCOMPARE(QString::fromUtf8(python.out).trimmed(), u"5 6"_s);
        QVERIFY2(library.findChild<QLabel *>(u"statusLab"_s)->text().startsWith(u"5 entries"_s),
                 qPrintable(m_prompts.texts().join(u'|')));

        // The same name again, as the page asks it: the question before the workbook is
        // replaced, and an office program's lock file beside it, each leave it as it was.
        const auto content = [&book] {
            QFile file(book);
            return file.open(QFile::ReadOnly) ? file.readAll() : QByteArray();
        };
        {
            QFile file(book);
            QVERIFY(file.open(QFile::WriteOnly) && file.write("old") == 3);
        }
        const QString lock = m_dir->filePath(u".~lock.chosen.xlsx#"_s);
        const struct {
            bool replace;
            bool locked;
            QString said;
        } again[] = {{false, false, u"chosen.xlsx already exists."_s},
                     {true, true, u"Can't overwrite this file, maybe the file is in use!"_s}};
        for (const auto &c : again) {
            QVERIFY(!c.locked || QFile(lock).open(QFile::WriteOnly));
            m_prompts.clear();
            m_prompts.setAnswer([&](const UserPrompts::Prompt &p) {
                return UserPrompts::Answer{p.kind != UserPrompts::Kind::Question || c.replace,
                                           m_dir->filePath(u"chosen"_s)};
            });
            library.findChild<QPushButton *>(u"WorkbookBtn"_s)->click();
            QVERIFY2(m_prompts.lastText().contains(c.said), qPrintable(m_prompts.lastText()));
            QCOMPARE(content(), QByteArray("old"));
            QFile::remove(lock);
        }
        m_prompts.setAnswer({});

        // Meter groups alone: no window, and the reason in the status line.
        view->selectRow(0);
        QCOMPARE(library.model()->entry(0)->family, Recording::Family::Meter);
        QVERIFY(!overlayBtn->isEnabled());
        // The size of each window is kept when it closes.
        library.show();
        overlay->show();
        overlay->close();
        library.close();
        ProgramSettings settings;
        QVERIFY(settings.contains(u"windows/overlay"_s) && settings.contains(u"windows/library"_s));

        QList<Recording> runs;
        for (int i = 0; i < 5; ++i) {
            runs << logger(serial, kStart.addDays(7 * i).addSecs(3600 * i), 1,
                           run(420 - 18 * i, 600 - 40 * i, i));
            runs.last().id = 20 + i;
        }
        saveBothLanguages(
            [&runs] { return new OverlayWindow(runs); }, "overlay",
            [](QWidget *w) { return static_cast<OverlayWindow *>(w)->plot()->yAxis->label(); });
    }

    void trend()
    {
        const QString serial = QStringLiteral("5633416");
        // day, peak, samples (the dose is their sum at 2 s each)
        const struct {
            int day;
            double peak;
            QList<float> samples;
        } cases[] = {
            {0, 410, {100, 200}}, {3, 380, {150, 150}}, {3, 360, {100, 100}},
            {9, 300, {kNaN, 90}}, // a dose that cannot be counted whole is left out
            {12, 250, {50, 50}},
        };
        QList<Recording> stored;
        QList<std::pair<double, double>> peaks, doses;
        for (const auto &c : cases) {
            stored << logger(serial, kStart.addDays(c.day).addSecs(c.peak), 2, c.samples, c.peak);
            peaks.append({day(c.day), c.peak});
            if (std::isfinite(c.samples[0]))
                doses.append({day(c.day), 2.0 * (c.samples[0] + c.samples[1])});
        }
        stored << logger(u"19120001"_s, kStart, 1, {999}, 999); // another instrument
        QVERIFY(m_library->store(stored).ok);
        QString error;
        QVERIFY(
            ProcessWindowStore::save({window(u"Line 3"_s, 280, 400, 500, std::nullopt)}, error));

        LibraryWindow library(m_library.get(), false);
        auto *instruments = library.findChild<QComboBox *>(u"instrumentCombo"_s);
        instruments->setCurrentIndex(instruments->findData(serial));
        auto *check = library.findChild<QComboBox *>(u"processCombo"_s);
        check->setCurrentIndex(check->findText(u"Line 3"_s));
        library.findChild<QPushButton *>(u"TrendBtn"_s)->click();
        auto *trend = library.findChild<TrendWindow *>();
        QVERIFY(trend);
        QCustomPlot *plot = trend->plot();
        std::sort(peaks.begin(), peaks.end());
        std::sort(doses.begin(), doses.end());
        QList<std::pair<double, double>> drawnPeaks = points(plot->graph(0));
        std::sort(drawnPeaks.begin(), drawnPeaks.end());
        QCOMPARE(drawnPeaks, peaks);
        QCOMPARE(points(plot->graph(1)), doses);
        QCOMPARE(plot->graph(1)->valueAxis(), plot->yAxis2);
        QVERIFY(qSharedPointerDynamicCast<QCPAxisTickerDateTime>(plot->xAxis->ticker()));
        QVERIFY2(trend->status().contains(u"left out: 1."_s), qPrintable(trend->status()));

        // Bands: peak 280 to 400 on the left axis, dose from 500 to the top on the right.
        auto *peakBand = plot->findChild<QCPItemRect *>(u"peakBand"_s);
        auto *doseBand = plot->findChild<QCPItemRect *>(u"doseBand"_s);
        QVERIFY(peakBand && doseBand);
        QCOMPARE(peakBand->topLeft->coords().y(), 400.0);
        QCOMPARE(peakBand->bottomRight->coords().y(), 280.0);
        QCOMPARE(peakBand->topLeft->valueAxis(), plot->yAxis);
        QCOMPARE(doseBand->bottomRight->coords().y(), 500.0);
        QCOMPARE(doseBand->bottomRight->valueAxis(), plot->yAxis2);
        QCOMPARE(doseBand->topLeft->typeY(), QCPItemPosition::ptAxisRectRatio);
        QVERIFY(plot->yAxis->range().contains(410) && plot->yAxis2->range().contains(600));

        // A lamp that fades over two months, checked against its line's window.
        const QString lamp = QStringLiteral("5633417");
        QList<Recording> fading;
        for (int d = 0; d < 60; d += 2) {
            for (int r = 0; r < 1 + d % 3; ++r) {
                const double level = 430 - 2.6 * d + 9 * std::sin(d * 3.1 + r * 1.7);
                const QList<float> samples = run(level, 500 - 15 * r, d + r);
                fading << logger(lamp, kStart.addDays(d).addSecs(3600 * r), 1, samples,
                                 *std::max_element(samples.cbegin(), samples.cend()));
            }
        }
        QVERIFY(m_library->store(fading).ok);
        const ProcessWindow line = window(u"Line 3"_s, 320, 480, 150000, std::nullopt);
        saveBothLanguages(
            [this, &lamp, &line] { return new TrendWindow(m_library.get(), lamp, line); }, "trend",
            [](QWidget *w) { return static_cast<TrendWindow *>(w)->plot()->yAxis2->label(); });
    }

    void processWindowDialog()
    {
        const struct {
            const char *limits[4]; // min peak, max peak, min dose, max dose
            QString said;
        } refused[] = {
            {{"300", "200", "", ""}, u"In \"A\" the minimum peak is above the maximum peak."_s},
            {{"", "", "9000", "8000"}, u"In \"A\" the minimum dose is above the maximum dose."_s},
            {{"1O0", "", "", ""}, u"The limits of \"A\" must be numbers."_s},
        };
        for (const auto &c : refused) {
            ProcessWindowDialog dialog;
            dialog.show();
            click(dialog, "addBtn");
            type(dialog, "nameEdit", u"A"_s);
            const char *edits[] = {"minPeakEdit", "maxPeakEdit", "minDoseEdit", "maxDoseEdit"};
            for (int i = 0; i < 4; ++i)
                type(dialog, edits[i], QString::fromLatin1(c.limits[i]));
            m_prompts.clear();
            dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
            QCOMPARE(m_prompts.texts(), QStringList{c.said});
            QCOMPARE(m_prompts.prompts().first().title, u"Process windows"_s);
            QVERIFY(dialog.isVisible());
            QVERIFY(ProcessWindowStore::all().isEmpty());
        }

        // Through the Library window, whose choice of window follows.
        LibraryWindow library(m_library.get(), false);
        click(library, "processBtn");
        auto *dialog = library.findChild<ProcessWindowDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        click(*dialog, "addBtn");
        type(*dialog, "nameEdit", u"Line 3"_s);
        type(*dialog, "minPeakEdit", u"100"_s);
        type(*dialog, "maxPeakEdit", u"400.5"_s);
        type(*dialog, "minDoseEdit", u"500"_s);
        click(*dialog, "addBtn");
        type(*dialog, "nameEdit", u"Oven"_s);
        type(*dialog, "maxDoseEdit", u"9e5"_s);
        m_prompts.clear();
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        QVERIFY(m_prompts.texts().isEmpty());
        QCOMPARE(library.findChild<QComboBox *>(u"processCombo"_s)->count(), 3);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!library.findChild<ProcessWindowDialog *>());

        ProcessWindowDialog again;
        auto *list = again.findChild<QListWidget *>(u"windowsList"_s);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), u"Oven"_s);
        QCOMPARE(texts(again), (QStringList{u"Line 3"_s, u"100"_s, u"400.5"_s, u"500"_s, {}}));
        list->setCurrentRow(1);
        QCOMPARE(texts(again), (QStringList{u"Oven"_s, {}, {}, {}, u"900000"_s}));
        click(again, "deleteBtn");
        again.accept();
        const QList<ProcessWindow> kept = ProcessWindowStore::all();
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept.first().name, u"Line 3"_s);
        QCOMPARE(kept.first().maxPeak, std::optional<double>(400.5));
        QVERIFY(!kept.first().maxDose);
    }

    void verdictColumn()
    {
        // Window: peak 100 to 400 uW/cm², dose 500 to 5000 uJ/cm²; dose = samples × 10 s.
        const struct {
            Recording entry;
            QString verdict;
        } cases[] = {
            {logger(u"1"_s, kStart, 10, {100, 200}, 200), u"pass"_s},
            {logger(u"1"_s, kStart.addDays(1), 10, {50, 50}, 50),
             u"fail: peak below the minimum"_s},
            {logger(u"1"_s, kStart.addDays(2), 10, {500, 200}, 500),
             u"fail: peak above the maximum, dose above the maximum"_s},
            {logger(u"1"_s, kStart.addDays(3), 10, {200, kNaN}, 200), u"fail: dose not defined"_s},
            {logger(u"1"_s, kStart.addDays(4), 0, {200}, 200), u"fail: dose not defined"_s},
            {meterGroup(u"mW/cm²"_s, 0.2, 1), u"pass"_s}, // 200 uW/cm², 1000 uJ/cm²
            {meterGroup(u"lux"_s, 0.2, 1), u"fail: unit not known"_s},
        };
        QList<Recording> stored;
        for (const auto &c : cases)
            stored << c.entry;
        const RecordingLibrary::StoreResult result = m_library->store(stored);
        QVERIFY(result.ok);
        QString error;
        QVERIFY(ProcessWindowStore::save(
            {window(u"Oven"_s, 1, 2, 3, 4), window(u"Line 3"_s, 100, 400, 500, 5000)}, error));

        LibraryWindow library(m_library.get(), false);
        LibraryModel *model = library.model();
        auto *check = library.findChild<QComboBox *>(u"processCombo"_s);
        QCOMPARE(check->count(), 3);
        const auto verdicts = [model] {
            QMap<qint64, QString> byId;
            for (int row = 0; row < model->rowCount(); ++row)
                byId[model->entry(row)->id] =
                    model->index(row, LibraryModel::VerdictColumn).data().toString();
            return byId;
        };
        QMap<qint64, QString> expected, none;
        for (int i = 0; i < int(std::size(cases)); ++i) {
            expected[result.ids[i]] = cases[i].verdict;
            none[result.ids[i]] = QString();
        }
        QCOMPARE(verdicts(), none);
        check->setCurrentIndex(check->findText(u"Line 3"_s));
        QCOMPARE(ProcessWindowStore::chosenName(), u"Line 3"_s);
        QCOMPARE(verdicts(), expected);
        QCOMPARE(model->headerData(LibraryModel::VerdictColumn, Qt::Horizontal).toString(),
                 u"Verdict"_s);
        check->setCurrentIndex(0);
        QCOMPARE(ProcessWindowStore::chosenName(), QString());
        QCOMPARE(verdicts(), none);
    }

    // The audit in the Library window: the columns a reader needs first in view at the
    // default size, removal with a reason and its undoing, each change of a process window
    // and each workbook an entry, and a recording's history in its own window.
    void auditTrail()
    {
        QList<Recording> stored;
        for (int i = 0; i < 3; ++i)
            stored << logger(u"5633416"_s, kStart.addDays(i), 10, run(300, 60, i), 300);
        const RecordingLibrary::StoreResult result = m_library->store(stored);
        QVERIFY(result.ok);
        QString error;
        QVERIFY(ProcessWindowStore::save({window(u"Line 3"_s, 100, 400, 500, 5000)}, error));
        ProcessWindowStore::setChosenName(u"Line 3"_s);

        LibraryWindow library(m_library.get(), false);
        library.show();
        QVERIFY(QTest::qWaitForWindowExposed(&library));
        auto *view = library.findChild<QTableView *>(u"entriesView"_s);
        QHeaderView *header = view->horizontalHeader();
        for (int column : {int(LibraryModel::Dose), int(LibraryModel::VerdictColumn)})
            QVERIFY2(header->sectionViewportPosition(column) + header->sectionSize(column) <=
                         view->viewport()->width(),
                     qPrintable(library.model()->headerData(column, Qt::Horizontal).toString()));

        QString typed;
        m_prompts.setAnswer([&typed](const UserPrompts::Prompt &prompt) {
            UserPrompts::Answer answer;
            answer.text = prompt.kind == UserPrompts::Kind::Text ? typed : QString();
            return answer;
        });
        auto choose = [&](int row) {
            view->selectionModel()->clearSelection();
            view->selectRow(row);
        };
        choose(0); // the newest
        const qint64 id = library.model()->entry(0)->id;
        typed.clear(); // no reason, no removal
        click(library, "DeleteBtn");
        QCOMPARE(library.model()->total(), 3);
        typed = u"lamp not warmed up"_s;
        click(library, "DeleteBtn");
        QCOMPARE(library.model()->total(), 2);
        auto *removed = library.findChild<QCheckBox *>(u"removedCheck"_s);
        removed->setChecked(true);
        QCOMPARE(library.model()->total(), 1);
        QVERIFY(!library.findChild<QPushButton *>(u"DeleteBtn"_s)->isEnabled());
        choose(0);
        typed = u"it was warm"_s;
        click(library, "RestoreBtn");
        QCOMPARE(library.model()->total(), 0);
        removed->setChecked(false);
        QCOMPARE(library.model()->total(), 3);
        m_prompts.setAnswer({});

        // A process window changed in its dialog, and a workbook of two entries.
        click(library, "processBtn");
        auto *dialog = library.findChild<ProcessWindowDialog *>();
        QVERIFY(dialog);
        dialog->findChild<QListWidget *>()->setCurrentRow(0);
        type(*dialog, "maxPeakEdit", u"450"_s);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        view->selectAll();
        m_prompts.setSaveAs(m_dir->filePath(u"two.xlsx"_s));
        click(library, "WorkbookBtn");

        AuditTrail::Filter all;
        QStringList actions;
        const QList<AuditEntry> trail = m_library->trail(all);
        for (const AuditEntry &e : trail)
            actions << e.action;
        QCOMPARE(actions.mid(4), (QStringList{u"recording.removed"_s, u"recording.restored"_s,
                                              u"process_window.changed"_s, u"file.written"_s}));
        QCOMPARE(trail[4].detailsObject()[u"reason"_s].toString(), u"lamp not warmed up"_s);
        QCOMPARE(trail[6].detailsObject()[u"new"_s][u"maxPeak"_s].toDouble(), 450.0);
        QFile book(m_dir->filePath(u"two.xlsx"_s));
        QVERIFY(book.open(QIODevice::ReadOnly));
        QCOMPARE(trail[7].detailsObject()[u"file_sha256"_s].toString(),
                 Recording::hashOf(book.readAll()));

        // The chosen entry's history, and the whole trail, in their window.
        choose(0);
        click(library, "HistoryBtn");
        auto *history = library.findChild<AuditWindow *>();
        QVERIFY(history);
        auto *table = history->findChild<QTableWidget *>(u"entriesTable"_s);
        QCOMPARE(table->rowCount(), 3); // stored, removed, restored; the workbook names two
        QCOMPARE(table->item(0, 4)->text(), u"Recording restored"_s);
        QCOMPARE(table->item(2, 4)->text(), u"Recording stored"_s);
        QCOMPARE(history->findChild<QSpinBox *>()->value(), int(id));
        history->findChild<QSpinBox *>()->setValue(0);
        QCOMPARE(table->rowCount(), trail.size());
        click(*history, "verifyBtn");
        QVERIFY2(history->findChild<QLabel *>(u"statusLab"_s)->text().startsWith(u"Unbroken"_s),
                 qPrintable(history->findChild<QLabel *>(u"statusLab"_s)->text()));

        // Read a page at a time: every entry once, newest first, then no older ones.
        AuditWindow paged(m_library.get(), 0, nullptr, 3);
        auto *pagedTable = paged.findChild<QTableWidget *>(u"entriesTable"_s);
        auto *older = paged.findChild<QPushButton *>(u"olderBtn"_s);
        QCOMPARE(pagedTable->rowCount(), 3);
        for (int pages = 1; older->isEnabled() && pages < 10; ++pages)
            older->click();
        QVERIFY(!older->isEnabled());
        QCOMPARE(pagedTable->rowCount(), trail.size());
        for (int row = 0; row < trail.size(); ++row)
            QCOMPARE(pagedTable->item(row, 0)->text().toLongLong(),
                     trail.at(trail.size() - 1 - row).seq);
        QCOMPARE(paged.findChild<QLabel *>(u"statusLab"_s)->text(),
                 u"Entries: %1"_s.arg(trail.size()));
    }

private:
    static void click(QWidget &parent, const char *name)
    {
        parent.findChild<QPushButton *>(QLatin1String(name))->click();
    }
    // As a user types: the field emptied, then the text keyed in.
    static void type(QWidget &parent, const char *name, const QString &text)
    {
        auto *edit = parent.findChild<QLineEdit *>(QLatin1String(name));
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    static QStringList texts(QWidget &dialog)
    {
        QStringList list;
        for (const char *name :
             {"nameEdit", "minPeakEdit", "maxPeakEdit", "minDoseEdit", "maxDoseEdit"})
            list << dialog.findChild<QLineEdit *>(QLatin1String(name))->text();
        return list;
    }
    // The window as the README shows it, as STEM_en.png and STEM_zh.png in the grabs folder;
    // the Chinese one is made with the program's catalogue, which must know every text and
    // change the axis label that `label` reads.
    static void saveBothLanguages(const std::function<QWidget *()> &make, const char *stem,
                                  const std::function<QString(QWidget *)> &label)
    {
        const QString dir = QStringLiteral(SOLVANE_GRAB_DIR "/readme/");
        QVERIFY(QDir().mkpath(dir));
        QString english;
        for (const bool chinese : {false, true}) {
            Catalogue zh;
            if (chinese)
                QVERIFY(zh.install());
            std::unique_ptr<QWidget> window(make());
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            QCoreApplication::processEvents();
            const QString file =
                dir + QLatin1String(stem) + (chinese ? u"_zh.png"_s : u"_en.png"_s);
            QVERIFY(window->grab().save(file));
            QVERIFY(QFileInfo(file).size() > 10000);
            if (!chinese)
                english = label(window.get());
            else
                QVERIFY2(label(window.get()) != english, qPrintable(english));
            QVERIFY2(zh.missing().isEmpty(), qPrintable(zh.missing().join(u'\n')));
        }
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RecordingLibrary> m_library;
    PromptRecorder m_prompts;
};

QTEST_MAIN(tst_Compare)
#include "tst_compare.moc"
