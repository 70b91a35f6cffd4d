// The Excel export: the ODBC engine's statements, connection strings and a run against a real
// ODBC driver (SQLite3), the xlsx engine read back by openpyxl, and the flow end to end.
#include "contexttranslator.h"
#include "excelengineodbc.h"
#include "excelexport.h"
#include "promptrecorder.h"
#include "titledprompts.h"
#include "urlrecorder.h"
#include "userprompts.h"
#include "xlsxengine.h"

#include <QtSql>
#include <QtTest>
#include <QtWidgets>

#include <cstring>
#include <optional>

// The ODBC driver manager itself leaks a few bytes when a connect names a driver whose
// library is missing, as one test does on purpose.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libodbc.so\n";
}

namespace {

// The workbook of a group with the one sample 1.
const QStringList kOneRow{"Sheet1", "s:NUM s:VAL", "s:1 s:1.0"};

QByteArray groupOf(const QList<float> &samples)
{
    QByteArray data("\x18\x01\x05\x09\x1e\x00", 6);
    for (float sample : samples) {
        quint32 raw;
        std::memcpy(&raw, &sample, sizeof raw);
        raw = qToLittleEndian(raw);
        data.append(reinterpret_cast<const char *>(&raw), sizeof raw);
    }
    return data;
}

std::unique_ptr<QTableWidget> tableOf(const QList<QStringList> &rows)
{
    auto table = std::make_unique<QTableWidget>(int(rows.size()), 2);
    table->setHorizontalHeaderLabels({"NUM", "VAL"});
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 2; ++c)
            table->setItem(r, c, new QTableWidgetItem(rows[r][c]));
    return table;
}

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

// openpyxl's view of a workbook: the sheet names, then one line per row of the first sheet,
// each cell as "type:value".
QStringList readWorkbook(const QString &path)
{
    const char script[] = "import sys, openpyxl\n"
                          "wb = openpyxl.load_workbook(sys.argv[1])\n"
                          "print(','.join(wb.sheetnames))\n"
                          "for row in wb.worksheets[0].iter_rows():\n"
                          "    print(' '.join(f'{c.data_type}:{c.value}' for c in row))\n";
    QProcess python;
    python.start("/usr/bin/python3", {"-c", script, path});
    python.waitForFinished(60000);
    return QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
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
    bool writeTable(QTableWidget *t, QProgressDialog *p) override
    {
        return XlsxEngine::writeTable(t, p) && m_step != Write;
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

    void statements()
    {
        const auto table = tableOf({{"1", "1.2"}, {"2", "O'Brien"}});
        QCOMPARE(ExcelEngineODBC::createStatement(table.get()),
                 "create table Sheet1 (NUM VARCHAR(200), VAL VARCHAR(200)) ");
        const QString prefix = ExcelEngineODBC::insertPrefix(table.get());
        QCOMPARE(ExcelEngineODBC::insertStatement(table.get(), prefix, 0),
                 "INSERT INTO Sheet1 (NUM, VAL) VALUES( '1', '1.2') ");
        // A quote in a cell must not end the value early.
        QCOMPARE(ExcelEngineODBC::insertStatement(table.get(), prefix, 1),
                 "INSERT INTO Sheet1 (NUM, VAL) VALUES( '2', 'O''Brien') ");

        // Columns without a header are left out; a missing last header or cell closes early.
        QTableWidget gaps(1, 3);
        gaps.setHorizontalHeaderItem(1, new QTableWidgetItem("B"));
        gaps.setItem(0, 0, new QTableWidgetItem("x"));
        QCOMPARE(ExcelEngineODBC::createStatement(&gaps),
                 "create table Sheet1 (B VARCHAR(200), ) ");
        QCOMPARE(ExcelEngineODBC::insertStatement(&gaps, ExcelEngineODBC::insertPrefix(&gaps), 0),
                 "INSERT INTO Sheet1 (B, ) VALUES( 'x', )");
    }

    void connectionStringBySuffix_data()
    {
        const QString all =
            "DRIVER={Microsoft Excel Driver (*.xls, *.xlsx, *.xlsm, *.xlsb)};DSN='';"
            "FIRSTROWHASNAMES=1;READONLY=TRUE;DBQ=";
        const QString xls = "DRIVER={Microsoft Excel Driver (*.xls)};DSN='';FIRSTROWHASNAMES=1;"
                            "READONLY=TRUE;DBQ=";
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("expected");
        QTest::newRow("xlsx") << "/u/NO3.xlsx" << all + "/u/NO3.xlsx";
        QTest::newRow("xls") << "/u/a.xls" << xls + "/u/a.xls";
        QTest::newRow("capitals") << "/u/a.XLSX" << xls + "/u/a.XLSX";
        QTest::newRow("none") << "/u.xlsx/a" << xls + "/u.xlsx/a";
        QTest::newRow("separators kept") << "C:\\d\\a.xlsx" << all + "C:\\d\\a.xlsx";
    }

    void connectionStringBySuffix()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, expected);
        QCOMPARE(ExcelEngineODBC::connectionStringFor(fileName), expected);
    }

    void odbcEngineThroughSqliteDriver()
    {
        // Each open replaces the named connection; Qt would warn about a duplicate or a handle in
        // use.
        QTest::failOnWarning(QRegularExpression("connection"));
        const auto table = tableOf({{"1", "1.2"}, {"2", "2.0"}, {"3", "O'Brien"}});
        for (const QString name : {"first.db", "second.db"}) {
            SqliteOdbcEngine engine(path(name));
            QVERIFY(engine.open());
            QCOMPARE(QSqlDatabase::database("excelexport", false).driverName(), "QODBC");
            QVERIFY(engine.writeTable(table.get(), nullptr));
            QCOMPARE(engine.rowsWritten(), 3);
            QVERIFY(engine.close());
        }
        const QString sql =
            "SELECT NUM || '|' || VAL || '|' || typeof(VAL) FROM Sheet1 ORDER BY rowid";
        QCOMPARE(selectRows(path("second.db"), sql),
                 (QStringList{"1|1.2|text", "2|2.0|text", "3|O'Brien|text"}));

        // Cancelled before the first row: the empty sheet is committed and that counts as success.
        SqliteOdbcEngine engine(path("cancelled.db"));
        QVERIFY(engine.open());
        QProgressDialog progress;
        progress.cancel();
        QVERIFY(engine.writeTable(table.get(), &progress));
        QCOMPARE(engine.rowsWritten(), 0);
        QCOMPARE(selectRows(path("cancelled.db"), "SELECT count(*) FROM Sheet1"), QStringList{"0"});
    }

    void odbcEngineRollsBackWhenTheSheetExists()
    {
        QVERIFY(selectRows(path("taken.db"), "create table Sheet1 (NUM TEXT, VAL TEXT)").isEmpty());
        SqliteOdbcEngine engine(path("taken.db"));
        QVERIFY(engine.open());
        QVERIFY(!engine.writeTable(tableOf({{"1", "1.0"}}).get(), nullptr));
        QVERIFY(!QSqlDatabase::database("excelexport", false).isOpen());
        QCOMPARE(selectRows(path("taken.db"), "SELECT count(*) FROM Sheet1"), QStringList{"0"});
        QVERIFY(!engine.writeTable(tableOf({{"1", "1.0"}}).get(), nullptr)); // closed now
    }

    void xlsxEngine()
    {
        const auto table = tableOf({{"1", "1.2"}, {"2", "0012"}});
        {
            XlsxEngine engine(path("a.xlsx"));
            QVERIFY(engine.open());
            QVERIFY(!engine.writeTable(tableOf({}).get(), nullptr));
            QVERIFY(engine.writeTable(table.get(), nullptr));
            QVERIFY(engine.close());
        }
        QCOMPARE(readWorkbook(path("a.xlsx")),
                 (QStringList{"Sheet1", "s:NUM s:VAL", "s:1 s:1.2", "s:2 s:0012"}));

        {
            XlsxEngine dropped(path("dropped.xlsx"));
            QVERIFY(dropped.open());
            QVERIFY(dropped.writeTable(table.get(), nullptr));
        } // destroyed without close: nothing written
        QVERIFY(!QFile::exists(path("dropped.xlsx")));
        XlsxEngine nowhere(path("missing/a.xlsx"));
        QVERIFY(!nowhere.open());
    }

    void flowStopsEarly()
    {
        saveAs(path("out.xlsx"));
        ExcelExport::run(nullptr, true, groupOf({1}), "1", "x");
        ExcelExport::run(nullptr, false, QByteArray(), "1", "x");
        // Bytes without one complete sample: asked for a name, then told there is nothing.
        run(groupOf({}) + "\x01\x02\x03");
        run(QByteArray("\x18\x01", 2));
        QCOMPARE(TitledPrompts::of(m_prompts),
                 (QStringList{"information: Getting data,please wait...",
                              "information: please get data first!", ": Storing data to Excel",
                              "error: No data for Storing to Excel!", ": Storing data to Excel",
                              "error: No data for Storing to Excel!"}));

        // The save dialog cancelled: nothing more.
        m_prompts.clear();
        saveAs({});
        ContextTranslator translator;
        QCoreApplication::installTranslator(&translator);
        run(groupOf({1, 2}));
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(m_prompts.prompts().size(), 1);
        QCOMPARE(m_prompts.prompts()[0].text, "FirstPageFor416|Storing data to Excel");
        QCOMPARE(m_prompts.prompts()[0].filter, "FirstPageFor416|excel file (*.xlsx)");
        QCOMPARE(m_prompts.prompts()[0].directory, "NO3_20240105093000");
        QVERIFY(entries().isEmpty());
        QVERIFY(m_urls->opened().isEmpty());
    }

    void flowWritesAndOpensTheWorkbook()
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
        run(groupOf({1.24f, 2.0f, 3.96f}) + "\x01\x02\x03"); // trailing bytes of a partial sample
        QCOMPARE(maximum, 4);
        QCOMPARE(m_prompts.prompts().size(), 1); // only the save dialog
        const QString written = path("NO3_20240105093000.xlsx");
        QCOMPARE(m_urls->opened(), QList<QUrl>{QUrl::fromLocalFile(written)});
        QCOMPARE(readWorkbook(written),
                 (QStringList{"Sheet1", "s:NUM s:VAL", "s:1 s:1.2", "s:2 s:2.0", "s:3 s:4.0"}));

        // The same name again replaces the workbook and leaves nothing else behind.
        saveAs(written);
        run(groupOf({7.21f}));
        QCOMPARE(readWorkbook(written), (QStringList{"Sheet1", "s:NUM s:VAL", "s:1 s:7.2"}));
        QCOMPARE(entries(), (QStringList{"NO3_20240105093000", "NO3_20240105093000.xlsx"}));
        QCOMPARE(m_urls->opened().size(), 2);
    }

    void flowAsksBeforeReplacingUnderTheAddedSuffix()
    {
        QVERIFY(writeFile(path("report.xlsx"), "old"));
        saveAs(path("report"));
        refuseQuestions();
        run(groupOf({1}));
        QCOMPARE(m_prompts.prompts().size(), 2);
        QCOMPARE(m_prompts.prompts()[1].kind, UserPrompts::Kind::Question);
        QVERIFY(m_prompts.prompts()[1].text.contains("report.xlsx"));
        QCOMPARE(readAll(path("report.xlsx")), "old");
        m_prompts.setAnswer({});
        run(groupOf({1}));
        QCOMPARE(readWorkbook(path("report.xlsx")), kOneRow);
    }

    void flowWritesXlsxOnlyUnderAnXlsxName()
    {
        const QList<QPair<QString, QString>> names = {
            {"a.xls", "a.xlsx"},       {"b.XLS", "b.xlsx"},     {"c.XLSX", "c.XLSX"},
            {"run.v2", "run.v2.xlsx"}, {"d.csv", "d.csv.xlsx"}, {"e.", "e.xlsx"}};
        for (const auto &[typed, written] : names) {
            saveAs(path(typed));
            run(groupOf({1}));
            QVERIFY2(!QFile::exists(path(typed)) || typed == written, qPrintable(typed));
            QCOMPARE(readWorkbook(path(written)), kOneRow);
        }
        // The changed name is asked about before an existing file of that name is replaced.
        m_prompts.clear();
        refuseQuestions();
        QVERIFY(writeFile(path("q.xlsx"), "old"));
        saveAs(path("q.xls"));
        run(groupOf({1}));
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
            run(groupOf({1}));
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
            run(groupOf({1}));
            QCOMPARE(readWorkbook(path(name)), kOneRow);
        }
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
            run(groupOf({1, 2, 3}));
            QCOMPARE(TitledPrompts::of(m_prompts).mid(1), QStringList{expected[step]});
            QCOMPARE(readAll(m_saveAnswer), "old");
            QCOMPARE(entries(), QStringList{"keep.xlsx"});
        }
        // A target that is a directory cannot be replaced, whoever runs the test.
        m_prompts.clear();
        saveAs(path("folder.xlsx"));
        QVERIFY(QDir().mkpath(path("folder.xlsx/inside")));
        run(groupOf({1}));
        QCOMPARE(m_prompts.prompts().last().text,
                 "Can't overwrite this file, maybe the file is in use!");
        QVERIFY(QFileInfo(path("folder.xlsx/inside")).isDir());
        QCOMPARE(entries(), (QStringList{"folder.xlsx", "keep.xlsx"}));
        QVERIFY(m_urls->opened().isEmpty());
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
        run(groupOf(samples));
        QCOMPARE(readAll(m_saveAnswer), "old");
        QVERIFY(m_urls->opened().isEmpty());

        // Later: the rows written so far make the workbook, which is opened.
        QTimer canceller;
        connect(&canceller, &QTimer::timeout, this, [] {
            if (QProgressDialog *progress = shownProgress(); progress && progress->value() > 0)
                progress->cancel();
        });
        canceller.start(0);
        run(groupOf(samples));
        canceller.stop();
        QCOMPARE(m_urls->opened().size(), 1);
        const QStringList book = readWorkbook(m_saveAnswer);
        const int rows = int(book.size()) - 2;
        QVERIFY2(rows > 0 && rows < samples.size(), qPrintable(QString::number(rows)));
        QCOMPARE(book.last(), QString("s:%1 s:%2").arg(rows).arg(samples[rows - 1], 0, 'f', 1));
        QCOMPARE(m_prompts.prompts().size(), 2); // the two save dialogs, no message
    }

    void flowChoosesTheOdbcEngineWhereTheDriverIsListed()
    {
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
        run(groupOf({1}));
        QCOMPARE(m_prompts.prompts().last().text, "Storing data failed, Can't open file!");
        QVERIFY(QSqlDatabase::database("excelexport", false).databaseName().contains("*.xlsx"));
        QCOMPARE(readAll(m_saveAnswer), "old");
    }

private:
    void run(const QByteArray &group)
    {
        ExcelExport::run(nullptr, false, group, "3", "20240105093000");
    }
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
