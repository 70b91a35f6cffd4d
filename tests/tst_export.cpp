// The exports of a recording: the page's workbook (xlsx engine, and the ODBC engine against a
// real ODBC driver, SQLite3), its CSV form, the multi-recording workbook, and the flow end to
// end. Workbooks are read back by openpyxl, CSV files by Python's csv module.
#include "contexttranslator.h"
#include "dose.h"
#include "excelengineodbc.h"
#include "excelexport.h"
#include "exportfolder.h"
#include "heldfile.h"
#include "hostprocess.h"
#include "processwindow.h"
#include "promptrecorder.h"
#include "recordingcsv.h"
#include "recordingworkbook.h"
#include "samplerows.h"
#include "titledprompts.h"
#include "urlrecorder.h"
#include "userprompts.h"
#include "xlsxengine.h"
#include "xlsxworkbook.h"

#include <QtSql>
#include <QtTest>
#include <QtWidgets>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

// The ODBC driver manager itself leaks a few bytes when a connect names a driver whose
// library is missing, as one test does on purpose.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libodbc.so\n";
}

namespace {

const float kNan = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
const QDateTime kStart(QDate(2024, 1, 5), QTime(9, 30));

// A logger recording as the download makes it: group 3, interval 10 s, started at kStart.
Recording logger(const QList<float> &samples, int interval = 10, const QDateTime &start = kStart)
{
    Recording r;
    r.group = 3;
    r.serial = QStringLiteral("5633416");
    r.modelName = QStringLiteral("UV416");
    r.startTime = start;
    r.intervalSeconds = interval;
    for (float sample : samples) {
        char le[4];
        quint32 raw;
        std::memcpy(&raw, &sample, sizeof raw);
        qToLittleEndian(raw, le);
        r.samples.append(le, 4);
    }
    QList<float> finite;
    for (float sample : samples) {
        if (std::isfinite(sample))
            finite << sample;
    }
    if (!finite.isEmpty()) {
        r.powerRec = finite.last();
        r.powerMax = *std::max_element(finite.begin(), finite.end());
        r.powerMin = *std::min_element(finite.begin(), finite.end());
        r.powerAvg = 2;
    }
    const Dose dose = Dose::of(r);
    r.doseUjCm2 = dose.microjoulesPerCm2;
    r.doseFlagged = dose.flagged;
    return r;
}

// The workbook rows of logger({1.24, 2, 3.96}).
const QStringList kThreeRows{
    "sheet Sheet1", "s:NUM s:VAL s:TIME_S s:TIME", "n:1 n:1.24 n:0 d:2024-01-05 09:30:00",
    "n:2 n:2 n:10 d:2024-01-05 09:30:10", "n:3 n:3.96 n:20 d:2024-01-05 09:30:20"};
const QStringList kOneRow{"sheet Sheet1", "s:NUM s:VAL s:TIME_S s:TIME",
                          "n:1 n:1 n:0 d:2024-01-05 09:30:00"};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString python(const char *script, const QString &path)
{
    const HostProcess::Result python = HostProcess::run("python3", {"-c", script, path});
    if (!python.ran)
        return "python3 did not finish";
    return QString::fromUtf8(python.out + python.err);
}

// openpyxl's view of a workbook: per sheet "sheet NAME", then a line per row, "type:value"
// cells. Texts are shown as a spreadsheet reads them, "_x000D_" as a carriage return.
const char kWorkbookScript[] = "import sys, openpyxl\n"
                               "from openpyxl.utils.escape import unescape\n"
                               "wb = openpyxl.load_workbook(sys.argv[1])\n"
                               "def text(c):\n"
                               "    return unescape(c.value) if c.data_type == 's' else c.value\n";
QStringList readWorkbook(const QString &path)
{
    const QByteArray script = QByteArray(kWorkbookScript) +
                              "for ws in wb.worksheets:\n"
                              "    print('sheet ' + ws.title)\n"
                              "    for row in ws.iter_rows():\n"
                              "        print(' '.join(f'{c.data_type}:{text(c)}' for c in row))\n";
    return python(script.constData(), path).split('\n', Qt::SkipEmptyParts);
}

// Python's csv module's view of a file: the rows of fields, as JSON.
QList<QStringList> readCsv(const QString &path)
{
    const char script[] = "import sys, csv, json\n"
                          "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                          "    print(json.dumps(list(csv.reader(f, strict=True))))\n";
    QList<QStringList> rows;
    for (const QJsonValue &row : QJsonDocument::fromJson(python(script, path).toUtf8()).array()) {
        QStringList fields;
        for (const QJsonValue &field : row.toArray())
            fields << field.toString();
        rows << fields;
    }
    return rows;
}

// Selects rows of an SQLite database without going through ODBC.
QStringList selectRows(const QString &database, const QString &sql)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reader");
        db.setDatabaseName(database);
        QSqlQuery query(db.open() ? sql : QString(), db);
        while (query.next())
            rows << query.value(0).toString();
    }
    QSqlDatabase::removeDatabase("reader");
    return rows;
}

class SqliteOdbcEngine : public ExcelEngineODBC
{
public:
    using ExcelEngineODBC::ExcelEngineODBC;
    // Debian's libsqliteodbc; Windows under Wine has no such driver.
    static bool installed() { return installedDrivers().contains("SQLite3"); }

protected:
    QString connectionString() const override { return "DRIVER={SQLite3};Database=" + fileName(); }
};

// A real xlsx engine that fails at the chosen step.
class FailingEngine : public XlsxEngine
{
public:
    enum Step { Open, Write, Close };
    FailingEngine(const QString &fileName, Step step) : XlsxEngine(fileName), m_step(step) {}
    bool open() override { return m_step != Open && XlsxEngine::open(); }
    bool writeRows(const SampleRows &rows, QProgressDialog *p) override
    {
        return XlsxEngine::writeRows(rows, p) && m_step != Write;
    }
    bool close() override { return XlsxEngine::close() && m_step != Close; }

private:
    Step m_step;
};

// The export's progress dialog while it is up.
QProgressDialog *shownProgress()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<QProgressDialog *>(widget); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

} // namespace

Q_DECLARE_METATYPE(Recording)

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_prompts.clear();
        m_prompts.setAnswer({});
        saveAs({});
        m_urls.emplace();
    }

    void cleanup()
    {
        ExcelExport::setEngineFactory({});
        qunsetenv("ODBCSYSINI");
    }

    // Sample k: NUM k + 1, VAL the sample, TIME_S k × interval, TIME start + k × interval; the
    // same in the workbook and in CSV, an empty cell where there is no value.
    void rows_data()
    {
        QTest::addColumn<Recording>("recording");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QStringList>("csv");
        QTest::newRow("interval 10")
            << logger({1.24f, 2.0f, 3.96f}) << kThreeRows.mid(2)
            << QStringList{"1,1.24,0,2024-01-05 09:30:00", "2,2,10,2024-01-05 09:30:10",
                           "3,3.96,20,2024-01-05 09:30:20"};
        QTest::newRow("one sample")
            << logger({1}) << kOneRow.mid(2) << QStringList{"1,1,0,2024-01-05 09:30:00"};
        QTest::newRow("not finite")
            << logger({kNan, kInf, -kInf, 5})
            << QStringList{"n:1 n:None n:0 d:2024-01-05 09:30:00",
                           "n:2 n:None n:10 d:2024-01-05 09:30:10",
                           "n:3 n:None n:20 d:2024-01-05 09:30:20",
                           "n:4 n:5 n:30 d:2024-01-05 09:30:30"}
            << QStringList{"1,,0,2024-01-05 09:30:00", "2,,10,2024-01-05 09:30:10",
                           "3,,20,2024-01-05 09:30:20", "4,5,30,2024-01-05 09:30:30"};
        QTest::newRow("interval 0")
            << logger({1, 2}, 0)
            << QStringList{"n:1 n:1 n:0 d:2024-01-05 09:30:00", "n:2 n:2 n:0 d:2024-01-05 09:30:00"}
            << QStringList{"1,1,0,2024-01-05 09:30:00", "2,2,0,2024-01-05 09:30:00"};
        QTest::newRow("over midnight and the year")
            << logger({0.1f, 1e6f}, 60, QDateTime(QDate(2023, 12, 31), QTime(23, 59, 30)))
            << QStringList{"n:1 n:0.1 n:0 d:2023-12-31 23:59:30",
                           "n:2 n:1000000 n:60 d:2024-01-01 00:00:30"}
            << QStringList{"1,0.1,0,2023-12-31 23:59:30", "2,1000000,60,2024-01-01 00:00:30"};
        QTest::newRow("no start time")
            << logger({7.5f}, 1, QDateTime()) << QStringList{"n:1 n:7.5 n:0 n:None"}
            << QStringList{"1,7.5,0,"};
    }

    void rows()
    {
        QFETCH(Recording, recording);
        QFETCH(QStringList, cells);
        QFETCH(QStringList, csv);
        {
            XlsxEngine engine(path("a.xlsx"));
            QVERIFY(engine.open());
            QVERIFY(engine.writeRows(SampleRows(recording), nullptr));
            QCOMPARE(engine.rowsWritten(), cells.size());
            QVERIFY(engine.close());
        }
        QCOMPARE(readWorkbook(path("a.xlsx")), kOneRow.mid(0, 2) + cells);

        QFile file(path("a.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(RecordingCsv::write(file, {recording}, nullptr));
        file.close();
        // The byte-order mark first, so that a spreadsheet reads the file as UTF-8.
        QCOMPARE(readAll(path("a.csv")),
                 "\xEF\xBB\xBF" + ("NUM,VAL,TIME_S,TIME\r\n" + csv.join("\r\n") + "\r\n").toUtf8());
    }

    void xlsxEngineWritesNothingUnlessClosed()
    {
        {
            XlsxEngine engine(path("empty.xlsx"));
            QVERIFY(engine.open());
            QVERIFY(!engine.writeRows(SampleRows(logger({})), nullptr)); // no rows, no workbook
            XlsxEngine dropped(path("dropped.xlsx"));
            QVERIFY(dropped.open());
            QVERIFY(dropped.writeRows(SampleRows(logger({1})), nullptr));
        } // destroyed without close: nothing written
        QCOMPARE(entries(), QStringList());
        XlsxEngine nowhere(path("missing/a.xlsx"));
        QVERIFY(!nowhere.open());
    }

    // The workbook writer's own rules: what XML cannot hold, texts a spreadsheet would read
    // differently, cells out of order, the sheet's frozen header and widths, and an archive
    // whose every entry's checksum holds.
    void workbookWriter()
    {
        const QString book = path("writer.xlsx");
        XlsxWorkbook w;
        QVERIFY(w.open(book));
        QVERIFY(w.addSheet("A & <B>"));
        QVERIFY(!w.addSheet("a & <b>")); // taken, ignoring case
        QVERIFY(w.setColumnWidth(0, 1, 12));
        QVERIFY(w.freezeHeader());
        QVERIFY(w.writeText(0, 1, QString::fromUtf8("x\x01\"y\" & <z> 剂量")));
        QVERIFY(w.writeNumber(0, 0, 1e-7));
        QVERIFY(w.writeNumber(0, 27, -2.5));
        QVERIFY(w.writeBool(2, 0, true));
        QVERIFY(!w.writeNumber(1, 0, 1));           // rows go in order
        QVERIFY(w.writeNumber(2, 1, std::nan(""))); // left empty
        QVERIFY(w.writeText(3, 0, "a\r\nb _x0041_ _x005F_x0041_"));
        QVERIFY(!w.writeNumber(XlsxWorkbook::MaxRows, 0, 1));
        QVERIFY(w.addSheet("second"));
        QVERIFY(w.close());
        const QByteArray script = QByteArray(kWorkbookScript) +
                                  "import zipfile\n"
                                  "print(zipfile.ZipFile(sys.argv[1]).testzip())\n"
                                  "ws = wb.worksheets[0]\n"
                                  "print(ws.freeze_panes, ws.column_dimensions['A'].width > 12)\n"
                                  "for row in ws.iter_rows():\n"
                                  "    print('|'.join(f'{c.coordinate}={text(c)!r}' for c in "
                                  "row if c.value is not None))\n";
        QCOMPARE(python(script.constData(), book).split('\n', Qt::SkipEmptyParts),
                 QStringList({"None", "A2 True", "A1=1e-07|B1='x\\x01\"y\" & <z> 剂量'|AB1=-2.5",
                              "A3=True", "A4='a\\r\\nb _x0041_ _x005F_x0041_'"}));
        QCOMPARE(readWorkbook(book).filter(QRegularExpression("^sheet ")),
                 QStringList({"sheet A & <B>", "sheet second"}));
    }

    void csvQuotesWhatNeedsIt()
    {
        Recording meter;
        meter.family = Recording::Family::Meter;
        meter.id = 4;
        meter.energy = 12.3f;
        meter.unit = "a,\"b\"\r\nc";
        QList<Recording> meters{meter};
        QList<QStringList> rows{{"ID", "Energy", "Duration", "Power(RT)", "Power(MAX)",
                                 "Power(MIN)", "Power(AVG)", "Unit"},
                                {"4", "12.3", "0", "0", "0", "0", "0", meter.unit}};
        // A text a spreadsheet would run as a formula keeps an apostrophe before it; numbers,
        // negative ones too, stay as they are.
        const QStringList units{"µW/cm²", "=1+2", "+1", "-x", "@SUM(A1)", "\tx", "\rx"};
        for (const QString &unit : units) {
            meters << meter;
            meters.last().id = rows.size() + 3;
            meters.last().energy = -1.5;
            meters.last().unit = unit;
            const QString kept = unit.startsWith("µ") ? unit : "'" + unit;
            rows << QStringList{
                QString::number(rows.size() + 3), "-1.5", "0", "0", "0", "0", "0", kept};
        }
        QFile file(path("meter.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(RecordingCsv::write(file, meters, nullptr));
        file.close();
        QCOMPARE(readCsv(path("meter.csv")), rows);
        QVERIFY(readAll(path("meter.csv")).contains("\r\n6,-1.5,0,0,0,0,0,\"'=1+2\"\r\n"));

        QString error;
        QVERIFY(!RecordingCsv::write(file, {meter, logger({1})}, &error));
        QVERIFY(error.contains("different columns"));
    }

    void odbcEngineThroughSqliteDriver()
    {
        // Each open replaces the named connection; Qt would warn about a duplicate or a handle in
        // use.
        QTest::failOnWarning(QRegularExpression("connection"));
        if (!SqliteOdbcEngine::installed())
            QSKIP("no SQLite ODBC driver here");
        const SampleRows rows(logger({1.25f, kNan, 3}));
        for (const QString name : {"first.db", "second.db"}) {
            SqliteOdbcEngine engine(path(name));
            QVERIFY(engine.open());
            QCOMPARE(QSqlDatabase::database("excelexport", false).driverName(), "QODBC");
            QVERIFY(engine.writeRows(rows, nullptr));
            QCOMPARE(engine.rowsWritten(), 3);
            QVERIFY(engine.close());
        }
        // Numbers are bound as numbers (the column's affinity keeps whole ones as integers).
        const QString sql =
            "SELECT NUM || '|' || ifnull(VAL, 'null') || '|' || TIME_S || '|' || "
            "substr(TIME, 1, 19) || '|' || typeof(NUM) || ' ' || typeof(VAL) || ' ' "
            "|| typeof(TIME_S) FROM Sheet1 ORDER BY rowid";
        QCOMPARE(selectRows(path("second.db"), sql),
                 (QStringList{"1|1.25|0|2024-01-05 09:30:00|integer real integer",
                              "2|null|10|2024-01-05 09:30:10|integer null integer",
                              "3|3|20|2024-01-05 09:30:20|integer integer integer"}));

        // Cancelled before the first row: the empty sheet is committed and that counts as success.
        SqliteOdbcEngine engine(path("cancelled.db"));
        QVERIFY(engine.open());
        QProgressDialog progress;
        progress.cancel();
        QVERIFY(engine.writeRows(rows, &progress));
        QCOMPARE(engine.rowsWritten(), 0);
        QCOMPARE(selectRows(path("cancelled.db"), "SELECT count(*) FROM Sheet1"), QStringList{"0"});
    }

    void odbcEngineRollsBackWhenTheSheetExists()
    {
        if (!SqliteOdbcEngine::installed())
            QSKIP("no SQLite ODBC driver here");
        QVERIFY(selectRows(path("taken.db"), "create table Sheet1 (NUM TEXT, VAL TEXT)").isEmpty());
        SqliteOdbcEngine engine(path("taken.db"));
        QVERIFY(engine.open());
        const SampleRows rows(logger({1}));
        QVERIFY(!engine.writeRows(rows, nullptr));
        QVERIFY(!QSqlDatabase::database("excelexport", false).isOpen());
        QCOMPARE(selectRows(path("taken.db"), "SELECT count(*) FROM Sheet1"), QStringList{"0"});
        QVERIFY(!engine.writeRows(rows, nullptr)); // closed now
    }

    void multiRecordingWorkbook()
    {
        Recording first = logger({1.5f, 2.5f});
        first.id = 7;
        first.serial = "SN/1";
        Recording flagged = logger({kNan, 4}, 0);
        flagged.id = 8;
        flagged.serial = "SN/1";
        Recording empty = logger({});
        empty.id = 10;
        Recording meter;
        meter.family = Recording::Family::Meter;
        meter.id = 9;
        meter.serial = "5633415";
        meter.modelCode = 415;
        meter.group = 2;
        meter.energy = 12.5;
        meter.duration = 30;
        meter.powerRt = 1.25;
        meter.powerMax = 2.5;
        meter.powerMin = 0.75;
        meter.powerAvg = 1.5; // × 30 s is 45, far from 12.5: the energy check flags it
        meter.unit = "mW/cm²";
        ProcessWindow window;
        window.name = "cure";
        window.maxDose = 1000;

        const QString book = path("several.xlsx");
        QVERIFY(writeFile(book, "old"));
        QList<QPair<qint64, qint64>> told;
        RecordingWorkbook workbook;
        workbook.progress = [&](qint64 done, qint64 total) { told.append({done, total}); };
        QString error;
        QVERIFY2(workbook.write(book, {first, flagged, meter, empty}, &window, &error),
                 qPrintable(error));
        const QString header = "s:ID s:Family s:Serial s:Model s:Group s:Start time s:Interval (s) "
                               "s:Samples s:REC s:MAX s:MIN s:AVG s:Dose (uJ/cm²) s:Dose flagged "
                               "s:Verdict s:RT s:Energy s:Duration (s) s:Unit "
                               "s:Energy check flagged s:Sheet";
        const QString none = " n:None n:None n:None n:None n:None ";
        QCOMPARE(readWorkbook(book),
                 (QStringList{
                     "sheet Summary", header,
                     "n:7 s:logger s:SN/1 s:UV416 n:3 d:2024-01-05 09:30:00 n:10 n:2 n:2.5 n:2.5 "
                     "n:1.5 n:2 n:40 b:False s:pass" +
                         none + "s:7 SN_1 #3",
                     "n:8 s:logger s:SN/1 s:UV416 n:3 d:2024-01-05 09:30:00 n:0 n:2 n:4 n:4 n:4 "
                     "n:2 n:0 b:True s:fail: dose not defined" +
                         none + "s:8 SN_1 #3",
                     "n:9 s:meter s:5633415 s:415 n:2 n:None n:None n:None n:None n:2.5 n:0.75 "
                     "n:1.5 n:12500 b:False s:fail: dose above the maximum n:1.25 n:12.5 n:30 "
                     "s:mW/cm² b:True n:None",
                     "n:10 s:logger s:5633416 s:UV416 n:3 d:2024-01-05 09:30:00 n:10 n:0 n:0 n:0 "
                     "n:0 n:0 n:0 b:True s:fail: dose not defined" +
                         none + "s:10 5633416 #3",
                     "sheet 7 SN_1 #3", "s:NUM s:VAL s:TIME_S s:TIME",
                     "n:1 n:1.5 n:0 d:2024-01-05 09:30:00", "n:2 n:2.5 n:10 d:2024-01-05 09:30:10",
                     "sheet 8 SN_1 #3", "s:NUM s:VAL s:TIME_S s:TIME",
                     "n:1 n:None n:0 d:2024-01-05 09:30:00", "n:2 n:4 n:0 d:2024-01-05 09:30:00",
                     "sheet 10 5633416 #3", "s:NUM s:VAL s:TIME_S s:TIME"}));
        QVERIFY(!told.isEmpty());
        QCOMPARE(told.last(), (QPair<qint64, qint64>{8, 8})); // four summary rows, four samples
        for (qsizetype i = 1; i < told.size(); ++i)
            QVERIFY(told[i].first >= told[i - 1].first);

        // Without a window the verdicts stay empty; abandoned, the old file stays as it was.
        QVERIFY(workbook.write(book, {first}, nullptr, &error));
        QVERIFY(readWorkbook(book).value(2).contains(" b:False n:None n:None"));
        QVERIFY(writeFile(book, "old"));
        QList<float> many(3 * RecordingWorkbook::kStep, 1.0f);
        int asked = 0;
        workbook.abandoned = [&asked] { return ++asked == 3; };
        QVERIFY(!workbook.write(book, {logger(many), first}, &window, &error));
        QCOMPARE(error, "The export was abandoned.");
        QCOMPARE(readAll(book), "old");
        QVERIFY(!workbook.write(book, {}, &window, &error));
        QCOMPARE(entries(), QStringList{"several.xlsx"});
    }

    void sheetNamesAreValidAndUnique()
    {
        const auto named = [](qint64 id, const QString &serial, int group) {
            Recording r = logger({1});
            r.id = id;
            r.serial = serial;
            r.group = group;
            return r;
        };
        const QString longSerial(40, 'x');
        Recording meter;
        meter.family = Recording::Family::Meter;
        const QStringList names = RecordingWorkbook::sheetNames(
            {named(1, "a[b]:c*d?e/f\\g", 2), named(0, "'q'", 1), named(0, "Q", 1), named(0, "q", 1),
             named(0, "q", 1), meter, named(12, longSerial, 25), named(12, longSerial, 25),
             named(0, "a\tb", 1), named(0, "", 0)});
        QCOMPARE(names, (QStringList{"1 a_b__c_d_e_f_g #2", "q' #1", "Q #1", "q #1 (2)", "q #1 (3)",
                                     "", "12 " + QString(28, 'x'),
                                     "12 " + QString(24, 'x') + " (2)", "a_b #1", "#0"}));
        for (const QString &name : names)
            QVERIFY2(name.isEmpty() || XlsxWorkbook::validSheetName(name), qPrintable(name));
        // Written, the workbook holds them all.
        QString error;
        QList<Recording> all;
        for (int i = 0; i < 3; ++i)
            all << named(0, "same", 1);
        QVERIFY(RecordingWorkbook().write(path("named.xlsx"), all, nullptr, &error));
        QCOMPARE(readWorkbook(path("named.xlsx")).filter(QRegularExpression("^sheet ")),
                 (QStringList{"sheet Summary", "sheet same #1", "sheet same #1 (2)",
                              "sheet same #1 (3)"}));
    }

    void flowStopsEarly()
    {
        saveAs(path("out.xlsx"));
        ExcelExport::run(nullptr, true, logger({1}));
        ExcelExport::run(nullptr, false, Recording());
        Recording partial = logger({});
        partial.samples = "\x01\x02\x03"; // no complete sample
        // Without a sample: asked for a name, then told there is nothing.
        ExcelExport::run(nullptr, false, partial);
        ExcelExport::run(nullptr, false, logger({}));
        QCOMPARE(TitledPrompts::of(m_prompts),
                 (QStringList{"information: Getting data,please wait...",
                              "information: please get data first!", ": Storing data to Excel",
                              "error: No data for Storing to Excel!", ": Storing data to Excel",
                              "error: No data for Storing to Excel!"}));

        // The save dialog cancelled: nothing more. It opens in the last export folder.
        m_prompts.clear();
        saveAs({});
        ExportFolder::remember(path("earlier.xlsx"));
        ContextTranslator translator;
        QCoreApplication::installTranslator(&translator);
        ExcelExport::run(nullptr, false, logger({1, 2}));
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(m_prompts.prompts().size(), 1);
        QCOMPARE(m_prompts.prompts()[0].text, "FirstPageFor416|Storing data to Excel");
        QCOMPARE(m_prompts.prompts()[0].filter,
                 "FirstPageFor416|Excel workbook (*.xlsx);;CSV (*.csv)");
        QCOMPARE(m_prompts.prompts()[0].directory, path("NO3_20240105093000"));
        QVERIFY(entries().isEmpty());
        QVERIFY(m_urls->opened().isEmpty());
    }

    void flowWritesAndOpensTheFile()
    {
        saveAs(path("NO3_20240105093000"));
        QVERIFY(writeFile(path("NO3_20240105093000"), "a file without the suffix stays"));
        int maximum = -1; // seen while the dialog is up, and only for a window-modal one
        QTimer::singleShot(0, this, [&] {
            if (QProgressDialog *progress = shownProgress())
                maximum = progress->windowModality() == Qt::WindowModal ? progress->maximum() : -2;
        });
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("^The slow operation took \\d+ milliseconds: $"));
        run(logger({1.24f, 2.0f, 3.96f}));
        QCOMPARE(maximum, 4);
        QCOMPARE(m_prompts.prompts().size(), 1); // only the save dialog
        const QString written = path("NO3_20240105093000.xlsx");
        QCOMPARE(m_urls->opened(), QList<QUrl>{QUrl::fromLocalFile(written)});
        QCOMPARE(readWorkbook(written), kThreeRows);
        QCOMPARE(ExportFolder::last(), m_dir->path());

        // The same name again replaces the workbook and leaves nothing else behind.
        saveAs(written);
        run(logger({1}));
        QCOMPARE(readWorkbook(written), kOneRow);
        // A name ending in .csv (in any case) is written as CSV under that name.
        saveAs(path("rows.CSV"));
        run(logger({1.24f, kNan}));
        QCOMPARE(readCsv(path("rows.CSV")),
                 (QList<QStringList>{{"NUM", "VAL", "TIME_S", "TIME"},
                                     {"1", "1.24", "0", "2024-01-05 09:30:00"},
                                     {"2", "", "10", "2024-01-05 09:30:10"}}));
        QCOMPARE(entries(),
                 (QStringList{"NO3_20240105093000", "NO3_20240105093000.xlsx", "rows.CSV"}));
        QCOMPARE(m_urls->opened().size(), 3);
    }

    void flowAsksBeforeReplacingUnderTheAddedSuffix()
    {
        QVERIFY(writeFile(path("report.xlsx"), "old"));
        saveAs(path("report"));
        refuseQuestions();
        run(logger({1}));
        QCOMPARE(m_prompts.prompts().size(), 2);
        QCOMPARE(m_prompts.prompts()[1].kind, UserPrompts::Kind::Question);
        QVERIFY(m_prompts.prompts()[1].text.contains("report.xlsx"));
        QCOMPARE(readAll(path("report.xlsx")), "old");
        m_prompts.setAnswer({});
        run(logger({1}));
        QCOMPARE(readWorkbook(path("report.xlsx")), kOneRow);
    }

    void flowWritesXlsxOnlyUnderAnXlsxName()
    {
        const QList<QPair<QString, QString>> names = {
            {"a.xls", "a.xlsx"},       {"b.XLS", "b.xlsx"},     {"c.XLSX", "c.XLSX"},
            {"run.v2", "run.v2.xlsx"}, {"d.txt", "d.txt.xlsx"}, {"e.", "e.xlsx"}};
        for (const auto &[typed, written] : names) {
            saveAs(path(typed));
            run(logger({1}));
            QVERIFY2(!QFile::exists(path(typed)) || typed == written, qPrintable(typed));
            QCOMPARE(readWorkbook(path(written)), kOneRow);
        }
        // The changed name is asked about before an existing file of that name is replaced.
        m_prompts.clear();
        refuseQuestions();
        QVERIFY(writeFile(path("q.xlsx"), "old"));
        saveAs(path("q.xls"));
        run(logger({1}));
        QCOMPARE(m_prompts.prompts().size(), 2);
        QVERIFY(m_prompts.prompts()[1].text.contains("q.xlsx"));
        QCOMPARE(readAll(path("q.xlsx")), "old");
    }

    void flowLeavesAWorkbookOpenInAnOfficeProgram()
    {
        // LibreOffice's lock file, then Excel's in both of its forms.
        saveAs(path("longname.xlsx"));
        QVERIFY(writeFile(m_saveAnswer, "old"));
        for (const QString lock : {".~lock.longname.xlsx#", "~$longname.xlsx", "~$ngname.xlsx"}) {
            QVERIFY(writeFile(path(lock), "owner"));
            m_prompts.clear();
            run(logger({1}));
            QCOMPARE(TitledPrompts::of(m_prompts).last(),
                     "error: Can't overwrite this file, maybe the file is in use!");
            QCOMPARE(readAll(m_saveAnswer), "old");
            QStringList expected{lock, "longname.xlsx"};
            expected.sort();
            QCOMPARE(entries(), expected);
            QVERIFY(QFile::remove(path(lock)));
        }
        QVERIFY(m_urls->opened().isEmpty());
        // Another workbook's lock, or a lock beside no workbook, stops nothing.
        QVERIFY(writeFile(path(".~lock.other.xlsx#"), "owner"));
        QVERIFY(writeFile(path("~$new.xlsx"), "owner"));
        for (const QString name : {"longname.xlsx", "new.xlsx"}) {
            saveAs(path(name));
            run(logger({1}));
            QCOMPARE(readWorkbook(path(name)), kOneRow);
        }
    }

    // Windows refuses to open a file another program holds, or (sharing reading and writing)
    // to replace it: both end in the message, and the file and folder stay as they were.
    void flowLeavesAFileAnotherProgramHolds()
    {
        for (auto sharing : {HeldFile::Sharing::Nothing, HeldFile::Sharing::ReadAndWrite}) {
            for (const char *name : {"held.xlsx", "held.csv"}) {
                saveAs(path(name));
                QVERIFY(writeFile(m_saveAnswer, "old"));
                {
                    HeldFile held(m_saveAnswer, sharing);
                    if (!held.isHeld())
                        QSKIP("this system locks no file against replacement");
                    m_prompts.clear();
                    run(logger({1}));
                    QCOMPARE(TitledPrompts::of(m_prompts).last(),
                             "error: Can't overwrite this file, maybe the file is in use!");
                    QCOMPARE(entries(), QStringList{name});
                }
                QCOMPARE(readAll(m_saveAnswer), "old");
                QVERIFY(QFile::remove(m_saveAnswer));
            }
        }
        QVERIFY(m_urls->opened().isEmpty());
    }

    void flowKeepsTheOldFileWhenTheExportFails()
    {
        saveAs(path("keep.xlsx"));
        const QStringList expected = {"Storing data: Storing data failed, Can't open file!",
                                      "export: Export data failed!", "export: Export data failed!"};
        for (auto step : {FailingEngine::Open, FailingEngine::Write, FailingEngine::Close}) {
            QVERIFY(writeFile(m_saveAnswer, "old"));
            m_prompts.clear();
            ExcelExport::setEngineFactory([step](const QString &name) {
                return std::make_unique<FailingEngine>(name, step);
            });
            run(logger({1, 2, 3}));
            QCOMPARE(TitledPrompts::of(m_prompts).mid(1), QStringList{expected[step]});
            QCOMPARE(readAll(m_saveAnswer), "old");
            QCOMPARE(entries(), QStringList{"keep.xlsx"});
        }
        // A target that is a directory cannot be replaced, whoever runs the test.
        for (const QString name : {"folder.xlsx", "folder.csv"}) {
            m_prompts.clear();
            saveAs(path(name));
            QVERIFY(QDir().mkpath(path(name + "/inside")));
            run(logger({1}));
            QCOMPARE(m_prompts.prompts().last().text,
                     "Can't overwrite this file, maybe the file is in use!");
            QVERIFY(QFileInfo(path(name + "/inside")).isDir());
        }
        QCOMPARE(entries(), (QStringList{"folder.csv", "folder.xlsx", "keep.xlsx"}));
        QVERIFY(m_urls->opened().isEmpty());
    }

    // A replaced file keeps its permissions, and a symbolic link is written through: the file
    // it points to is replaced, the link stays.
    void flowReplacesFilesInPlace()
    {
        if (QSysInfo::kernelType() == QLatin1String("winnt"))
            QSKIP("permission bits and symbolic links as POSIX has them");
        // No umask makes this mode of a new file.
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther;
        QVERIFY(QDir().mkpath(path("data")));
        for (const QString name : {"a.xlsx", "a.csv"}) {
            saveAs(path(name));
            QVERIFY(writeFile(m_saveAnswer, "old"));
            QVERIFY(QFile::setPermissions(m_saveAnswer, mode));
            const QFile::Permissions before = QFile::permissions(m_saveAnswer);
            run(logger({1}));
            QVERIFY(readAll(m_saveAnswer) != "old");
            QCOMPARE(QFile::permissions(m_saveAnswer), before);

            const QString real = path("data/" + name);
            QVERIFY(writeFile(real, "old"));
            QVERIFY(QFile::link("data/" + name, path("link-" + name)));
            saveAs(path("link-" + name));
            run(logger({1}));
            QVERIFY(QFileInfo(m_saveAnswer).isSymbolicLink());
            QVERIFY(readAll(real).size() > 3);
        }
        QCOMPARE(QDir(path("data"))
                     .entryList(QDir::Files | QDir::Hidden | QDir::AllDirs | QDir::NoDotAndDotDot),
                 (QStringList{"a.csv", "a.xlsx"}));
    }

    void flowCancelInTheProgressDialog()
    {
        QList<float> samples;
        for (int k = 0; k < 4 * ExcelEngine::kProgressStep; ++k)
            samples << k / 2.0f;
        saveAs(path("partial.xlsx"));
        QVERIFY(writeFile(m_saveAnswer, "old"));

        // Before the first row: the old file stays and nothing is opened.
        QTimer::singleShot(0, this, [] {
            if (QProgressDialog *progress = shownProgress())
                progress->cancel();
        });
        run(logger(samples));
        QCOMPARE(readAll(m_saveAnswer), "old");
        QVERIFY(m_urls->opened().isEmpty());

        // Later: the rows written so far make the workbook, which is opened.
        QTimer canceller;
        connect(&canceller, &QTimer::timeout, this, [] {
            if (QProgressDialog *progress = shownProgress(); progress && progress->value() > 0)
                progress->cancel();
        });
        canceller.start(0);
        run(logger(samples));
        canceller.stop();
        QCOMPARE(m_urls->opened().size(), 1);
        const QStringList book = readWorkbook(m_saveAnswer);
        const int rows = int(book.size()) - 2;
        QVERIFY2(rows > 0 && rows < samples.size(), qPrintable(QString::number(rows)));
        QVERIFY2(
            book.last().startsWith(
                QString("n:%1 n:%2 n:%3 ").arg(rows).arg(samples[rows - 1]).arg((rows - 1) * 10)),
            qPrintable(book.last()));
        QCOMPARE(m_prompts.prompts().size(), 2); // the two save dialogs, no message
    }

    void flowChoosesTheOdbcEngineWhereTheDriverIsListed()
    {
        if (QSysInfo::kernelType() == QLatin1String("winnt"))
            QSKIP("Windows lists its drivers in the registry, not in ODBCSYSINI's odbcinst.ini");
        QTemporaryDir config;
        qputenv("ODBCSYSINI", QFile::encodeName(config.path()));
        QVERIFY(writeFile(config.filePath("odbcinst.ini"), "[SQLite3]\nDriver=x\n"));
        QVERIFY(!ExcelExport::odbcEngineUsable("a.xlsx"));
        QVERIFY(writeFile(config.filePath("odbcinst.ini"),
                          "[SQLite3]\nDriver=x\n\n[Microsoft Excel Driver (*.xls, *.xlsx, *.xlsm, "
                          "*.xlsb)]\nDriver=/nonexistent/excel.so\n"));
        QVERIFY(ExcelExport::odbcEngineUsable("a.xlsx"));
        QVERIFY(!ExcelExport::odbcEngineUsable("a.xls"));

        // Chosen, it cannot open the workbook, as the driver's library is missing.
        saveAs(path("odbc.xlsx"));
        QVERIFY(writeFile(m_saveAnswer, "old"));
        run(logger({1}));
        QCOMPARE(m_prompts.prompts().last().text, "Storing data failed, Can't open file!");
        QVERIFY(QSqlDatabase::database("excelexport", false).databaseName().contains("*.xlsx"));
        QCOMPARE(readAll(m_saveAnswer), "old");
    }

private:
    void run(const Recording &recording) { ExcelExport::run(nullptr, false, recording); }
    QStringList entries() const
    {
        return QDir(m_dir->path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // The save dialog chooses this file; empty cancels it.
    void saveAs(const QString &file) { m_prompts.setSaveAs(m_saveAnswer = file); }
    // Questions answered No; the save dialog still chooses its file.
    void refuseQuestions()
    {
        m_prompts.setAnswer([this](const UserPrompts::Prompt &p) {
            const bool save = p.kind == UserPrompts::Kind::SaveFile;
            return UserPrompts::Answer{save && !m_saveAnswer.isEmpty(), m_saveAnswer};
        });
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    PromptRecorder m_prompts;
    std::optional<UrlRecorder> m_urls;
    QString m_saveAnswer;
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
