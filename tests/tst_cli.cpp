// solvane-cli as a user runs it: the real program against a real SQLite library filled
// through RecordingLibrary, its output parsed back, its workbooks read back by openpyxl.
#include "bytes.h"
#include "clicommands.h"
#include "demoinstrument.h"
#include "dose.h"
#include "hostprocess.h"
#include "instrumentprotocol.h"
#include "loggerdownload.h"
#include "processwindowstore.h"
#include "recordingcsv.h"
#include "recordinglibrary.h"
#include "virtualhidbackend.h"
#include "virtualinstrument.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
    QByteArray bytes; // stdout as it came
};

const bool kWindows = QSysInfo::kernelType() == QLatin1String("winnt");

Recording logger(const QString &serial, int group, const QDateTime &start,
                 const QList<float> &samples, double max)
{
    Recording r;
    r.family = Recording::Family::Logger;
    r.serial = serial;
    r.modelCode = 416;
    r.modelName = QStringLiteral("UV416");
    r.firmware = QStringLiteral("V1.02");
    r.productionDate = QDate(2023, 5, 6);
    r.calibrationDate = QDate(2024, 1, 2);
    r.group = group;
    r.startTime = start;
    r.intervalSeconds = 60;
    r.samples = Bytes::floats(samples);
    r.powerRec = samples.last();
    r.powerMax = max;
    r.powerMin = samples.first();
    r.powerAvg = 1.5f;
    r.downloadedAt = QDateTime(QDate(2024, 3, 5), QTime(10, 0), Qt::UTC);
    const Dose dose = Dose::of(r);
    r.doseUjCm2 = dose.microjoulesPerCm2;
    r.doseFlagged = dose.flagged;
    return r;
}

Recording meter()
{
    Recording r;
    r.family = Recording::Family::Meter;
    r.serial = QStringLiteral("5633415");
    r.modelCode = 415;
    r.modelName = QStringLiteral("UV415");
    r.group = 2;
    r.energy = 12.3f;
    r.duration = 30.5;
    r.powerRt = 1.25;
    r.powerMax = 2.5;
    r.powerMin = 0.75;
    r.powerAvg = 1.5;
    r.unit = QStringLiteral("mW/cm²");
    r.downloadedAt = QDateTime(QDate(2024, 3, 5), QTime(11, 0), Qt::UTC);
    return r;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// openpyxl's view of a workbook: per sheet its name, then a line per row, "type:value" cells.
QStringList readWorkbook(const QString &path)
{
    const char script[] = "import sys, openpyxl\n"
                          "wb = openpyxl.load_workbook(sys.argv[1])\n"
                          "for ws in wb.worksheets:\n"
                          "    print('sheet ' + ws.title)\n"
                          "    for row in ws.iter_rows():\n"
                          "        print(' '.join(f'{c.data_type}:{c.value}' for c in row))\n";
    const HostProcess::Result python =
        HostProcess::run(QStringLiteral("python3"), {QStringLiteral("-c"), script, path});
    if (!python.ran)
        return {QStringLiteral("python3 did not finish")};
    return QString::fromUtf8(python.out + python.err).split('\n', Qt::SkipEmptyParts);
}

QList<qint64> idsOf(const QJsonArray &array)
{
    QList<qint64> ids;
    for (const QJsonValue &v : array)
        ids << v.toObject().value("id").toInteger();
    return ids;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // No process window from an earlier run: verdicts() makes its own.
        QString error;
        QVERIFY(ProcessWindowStore::save({}, error));
        ProcessWindowStore::setChosenName({});
        m_library = m_dir.filePath("library.sqlite");
        RecordingLibrary library;
        QVERIFY2(library.open(m_library), qPrintable(library.lastError()));
        const QDateTime march(QDate(2024, 3, 1), QTime(9, 0));
        Recording first = logger("5633416", 1, march, {0.5f, 12.34f, 100.06f}, 100.06f);
        first.company = QStringLiteral("Acme, Ltd.");
        first.tester = QStringLiteral("Li Wei");
        const auto result = library.store(
            {first,
             logger("5633416", 2, QDateTime(QDate(2024, 4, 10), QTime(8, 30)), {1.5f, 2.5f},
                    std::numeric_limits<double>::infinity()),
             logger("7700001", 1, QDateTime(QDate(2024, 2, 1), QTime(7, 0)), {4.0f}, 4.0),
             meter()});
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.ids, (QList<qint64>{1, 2, 3, 4}));
        QVERIFY(library.get(1, first));
        m_firstHash = first.sha256;
    }

    void listAndShow()
    {
        Run run = cli({"list"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.err.isEmpty());
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines[0].startsWith("4  meter") && lines[0].contains("5633415") &&
                     lines[0].contains("downloaded 2024-03-05 11:00:00 UTC") &&
                     lines[0].contains("mW/cm²") && lines[0].contains("RT 1.25  MAX 2.5") &&
                     lines[0].endsWith("dose 12.30 mJ/cm²"),
                 qPrintable(lines[0]));
        QVERIFY2(lines[3].startsWith("1  logger") && lines[3].contains("5633416") &&
                     lines[3].contains("UV416") && lines[3].contains("2024-03-01 09:00:00") &&
                     lines[3].contains("3 samples") &&
                     lines[3].contains("REC 100.1  MAX 100.1  MIN 0.5  AVG 1.5") &&
                     lines[3].endsWith("dose 6.77 mJ/cm²"),
                 qPrintable(lines[3]));

        const QJsonArray all = json({"list", "--json"}).array();
        QCOMPARE(idsOf(all), (QList<qint64>{4, 3, 2, 1}));
        const QJsonObject m = all[0].toObject();
        QCOMPARE(m.value("family").toString(), "meter");
        QVERIFY(m.value("start_time").isNull());
        QCOMPARE(m.value("energy").toDouble(), 12.3);
        QCOMPARE(m.value("duration_s").toDouble(), 30.5);
        QCOMPARE(m.value("power_rt").toDouble(), 1.25);
        QCOMPARE(m.value("unit").toString(), "mW/cm²");
        QVERIFY(all[1].toObject().value("power_max").isNull() == false);
        QVERIFY2(all[2].toObject().value("power_max").isNull(), "infinity is written as null");
        const QJsonObject l = all[3].toObject();
        QCOMPARE(l.value("serial").toString(), "5633416");
        QCOMPARE(l.value("model").toString(), "UV416");
        QCOMPARE(l.value("family").toString(), "logger");
        QCOMPARE(l.value("group").toInt(), 1);
        QCOMPARE(l.value("start_time").toString(), "2024-03-01T09:00:00");
        QCOMPARE(l.value("interval_s").toInt(), 60);
        QCOMPARE(l.value("sample_count").toInt(), 3);
        QCOMPARE(l.value("power_max").toDouble(), 100.06);
        QCOMPARE(l.value("power_min").toDouble(), 0.5);
        QCOMPARE(l.value("sha256").toString(), m_firstHash);
        QVERIFY(qAbs(l.value("dose_uj_cm2").toDouble() - 6774) < 0.01);
        QCOMPARE(l.value("dose_flagged").toBool(), false);
        QVERIFY(l.value("verdict").isNull()); // no process window chosen
        QVERIFY(!l.contains("samples"));

        const std::pair<QStringList, QList<qint64>> filters[] = {
            {{"--serial", "5633416"}, {2, 1}},
            {{"--since", "2024-03-01"}, {4, 2, 1}},
            {{"--since=2024-03-02", "--serial=5633416"}, {2}},
            {{"--serial", "nobody"}, {}},
        };
        for (const auto &[filter, ids] : filters)
            QCOMPARE(idsOf(json(QStringList{"list", "--json"} + filter).array()), ids);

        const QJsonObject shown = json({"show", "1", "--json"}).object();
        QCOMPARE(shown.value("samples").toArray(), (QJsonArray{0.5, 12.34, 100.06}));
        QCOMPARE(shown.value("firmware").toString(), "V1.02");
        QCOMPARE(shown.value("production_date").toString(), "2023-05-06");
        QCOMPARE(shown.value("calibration_date").toString(), "2024-01-02");
        QCOMPARE(shown.value("company").toString(), "Acme, Ltd.");
        QCOMPARE(shown.value("tester").toString(), "Li Wei");
        QCOMPARE(shown.value("downloaded_at").toString(), "2024-03-05T10:00:00Z");
        QCOMPARE(shown.value("sha256").toString(), m_firstHash);

        run = cli({"show", "1"});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains("Company: Acme, Ltd.\n") && run.out.contains("Samples: 3\n") &&
                     run.out.contains("Dose: 6.77 mJ/cm²\n") && !run.out.contains("Verdict") &&
                     run.out.endsWith("\nNUM\tVAL\tTIME_S\tTIME\n1\t0.5\t0\t2024-03-01 09:00:00\n"
                                      "2\t12.34\t60\t2024-03-01 09:01:00\n"
                                      "3\t100.06\t120\t2024-03-01 09:02:00\n"),
                 qPrintable(run.out));
        run = cli({"show", "4"});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.endsWith("\nEnergy\tDuration\tPower(RT)\tPower(MAX)\tPower(MIN)\t"
                                  "Power(AVG)\tUnit\n12.3\t30.5\t1.25\t2.5\t0.75\t1.5\tmW/cm²\n"),
                 qPrintable(run.out));
    }

    void exports()
    {
        QCOMPARE(
            exported({"1"}, "csv"),
            QByteArray("\xEF\xBB\xBFNUM,VAL,TIME_S,TIME\r\n1,0.5,0,2024-03-01 09:00:00\r\n"
                       "2,12.34,60,2024-03-01 09:01:00\r\n3,100.06,120,2024-03-01 09:02:00\r\n"));
        QCOMPARE(exported({"1", "2"}, "csv"),
                 QByteArray("\xEF\xBB\xBF"
                            "ID,NUM,VAL,TIME_S,TIME\r\n1,1,0.5,0,2024-03-01 09:00:00\r\n"
                            "1,2,12.34,60,2024-03-01 09:01:00\r\n"
                            "1,3,100.06,120,2024-03-01 09:02:00\r\n"
                            "2,1,1.5,0,2024-04-10 08:30:00\r\n2,2,2.5,60,2024-04-10 08:31:00\r\n"));
        QCOMPARE(exported({"4"}, "csv"),
                 "\xEF\xBB\xBF" +
                     QString("Energy,Duration,Power(RT),Power(MAX),Power(MIN),Power(AVG),Unit\r\n"
                             "12.3,30.5,1.25,2.5,0.75,1.5,mW/cm²\r\n")
                         .toUtf8());
        QCOMPARE(RecordingCsv::line({"plain", "a,b", "say \"hi\"", "two\nlines"}),
                 "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\"\r\n");

        const QJsonArray both = QJsonDocument::fromJson(exported({"1", "4"}, "json")).array();
        QCOMPARE(idsOf(both), (QList<qint64>{1, 4}));
        QCOMPARE(both[0].toObject().value("samples").toArray(), (QJsonArray{0.5, 12.34, 100.06}));
        QCOMPARE(both[1].toObject().value("unit").toString(), "mW/cm²");

        // One recording keeps "Sheet1"; several get a summary first and a sheet per recording.
        const QString one = m_dir.filePath("one.xlsx");
        QCOMPARE(cli({"export", "1", "--format", "xlsx", "--output", one}).code, 0);
        QCOMPARE(readWorkbook(one), (QStringList{"sheet Sheet1", "s:NUM s:VAL s:TIME_S s:TIME",
                                                 "n:1 n:0.5 n:0 d:2024-03-01 09:00:00",
                                                 "n:2 n:12.34 n:60 d:2024-03-01 09:01:00",
                                                 "n:3 n:100.06 n:120 d:2024-03-01 09:02:00"}));
        QCOMPARE(cli({"export", "4", "--format", "xlsx", "--output", one}).code, 0);
        QCOMPARE(readWorkbook(one),
                 (QStringList{"sheet Sheet1",
                              "s:Energy s:Duration s:Power(RT) s:Power(MAX) s:Power(MIN) "
                              "s:Power(AVG) s:Unit",
                              "n:12.3 n:30.5 n:1.25 n:2.5 n:0.75 n:1.5 s:mW/cm²"}));
        const QString two = m_dir.filePath("two.xlsx");
        QCOMPARE(cli({"export", "3", "4", "--format", "xlsx", "--output", two}).code, 0);
        const QStringList book = readWorkbook(two);
        QCOMPARE(book.size(), 7);
        QCOMPARE(book.filter(QRegularExpression("^sheet ")),
                 (QStringList{"sheet Summary", "sheet 3 7700001 #1"}));
        QVERIFY2(book[2].startsWith("n:3 s:logger s:7700001 s:UV416 n:1 d:2024-02-01 07:00:00 "
                                    "n:60 n:1 n:4 n:4 n:4 n:1.5 n:240 b:False n:None"),
                 qPrintable(book[2]));
        QVERIFY2(
            book[3].startsWith("n:4 s:meter s:5633415 s:UV415 n:2") &&
                book[3].contains(" n:12300 b:False n:None n:1.25 n:12.3 n:30.5 s:mW/cm² b:True"),
            qPrintable(book[3]));
        QCOMPARE(book.mid(5),
                 (QStringList{"s:NUM s:VAL s:TIME_S s:TIME", "n:1 n:4 n:0 d:2024-02-01 07:00:00"}));

        // A failed export leaves the old file as it was, and nothing beside it.
        const QString kept = m_dir.filePath("kept.csv");
        QFile old(kept);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        const QStringList before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
        for (const QStringList &ids : {QStringList{"1", "4"}, QStringList{"1", "99"}}) {
            const Run run =
                cli(QStringList{"export"} + ids + QStringList{"--format", "csv", "--output", kept});
            QCOMPARE(run.code, 1);
            QCOMPARE(readAll(kept), QByteArray("old"));
        }
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, const QStringList &args, int code, const char *m) {
            QTest::newRow(name) << args << code << QString::fromUtf8(m);
        };
        row("no command", {}, 2, "No command given.");
        row("unknown command", {"frobnicate"}, 2, "Unknown command \"frobnicate\".");
        row("unknown option", {"list", "--all"}, 2, "Unknown option --all.");
        row("option of another command", {"list", "--format", "csv"}, 2,
            "list does not take --format.");
        row("option twice", {"list", "--json", "--json"}, 2, "--json is given twice.");
        row("window for delete", {"delete", "1", "--reason", "x", "--window", "cure"}, 2,
            "delete does not take --window.");
        row("unknown window", {"list", "--window", "nope"}, 2,
            "There is no process window called \"nope\"");
        row("unknown window to export",
            {"export", "1", "--format", "json", "--output", "@dir/none.json", "--window", "nope"},
            2, "There is no process window called \"nope\"");
        row("missing value", {"--library"}, 2, "--library needs a value");
        row("bad demo", {"--demo", "toaster", "list"}, 2, "Unknown demo instrument");
        row("show without id", {"show"}, 2, "show needs a recording ID.");
        row("show two ids", {"show", "1", "2"}, 2, "show takes one recording ID.");
        row("non-numeric id", {"show", "1a"}, 2, "\"1a\" is no recording ID");
        row("zero id", {"delete", "0", "--reason", "x"}, 2, "\"0\" is no recording ID");
        row("list with an argument", {"list", "5"}, 2, "list takes no argument");
        row("bad date", {"list", "--since", "2024-13-01"}, 2, "\"2024-13-01\" is no date");
        row("date of another form", {"list", "--since", "1.3.2024"}, 2, "is no date");
        row("export without output", {"export", "1", "--format", "csv"}, 2,
            "export needs --output FILE.");
        row("export without format", {"export", "1", "--output", "@dir/x"}, 2,
            "export needs --format");
        row("unknown format", {"export", "1", "--format", "pdf", "--output", "@dir/x"}, 2,
            "Unknown format \"pdf\"");
        row("no such id to show", {"show", "99"}, 1, "No recording with id 99 in the library.");
        row("no such id to delete", {"delete", "99", "--reason", "x"}, 1,
            "No recording with id 99 in the library.");
        row("delete without a reason", {"delete", "1"}, 2, "delete needs --reason TEXT");
        row("blank reason", {"restore", "1", "--reason", " "}, 2, "--reason needs a value");
        row("no hash", {"verify", "--head", "abc"}, 2, "\"abc\" is no SHA-256 hash");
        row("audit of no recording", {"audit", "--recording", "x"}, 2, "\"x\" is no recording ID");
        row("no such id to export",
            {"export", "1", "99", "--format", "json", "--output", "@dir/none.json"}, 1,
            "No recording with id 99 in the library.");
        row("export into a missing folder",
            {"export", "1", "--format", "json", "--output", "@dir/missing/x.json"}, 1,
            "does not exist");
        row("library is a folder", {"--library", "@dir", "list"}, 1, "is not a file.");
        row("library is not there", {"--library", "@dir/typo.sqlite", "list"}, 1,
            "There is no library at");
        row("password in the address", {"--library", "postgresql://u:pw@localhost/db", "list"}, 1,
            "must not hold a password");
        // Windows keeps it under the profile's local AppData, which no variable moves.
        const QByteArray home =
            QSysInfo::kernelType() == QLatin1String("winnt")
                ? QDir::toNativeSeparators(
                      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                      QStringLiteral("/solvane/"))
                      .toUtf8()
                : QByteArray("@dir/xdg/solvane/");
        row("default library", {"list"}, 1, ("There is no library at " + home).constData());
        // No instrument is plugged in where the tests run.
        row("info without an instrument", {"info"}, 1, "please Connecting instrument!");
        row("download without an instrument", {"download"}, 1, "please Connecting instrument!");
    }

    void errors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        QFETCH(QString, message);
        message.replace("@dir", m_dir.path());
        for (QString &a : arguments)
            a.replace("@dir", m_dir.path());
        // Those that name no library get the test's own; "default library" names none at all.
        const bool useDefault =
            QString(QTest::currentDataTag()) == QLatin1String("default library");
        const Run run = cli(arguments, !useDefault && !arguments.contains("--library"));
        QCOMPARE(run.code, code);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY2(run.out.isEmpty(), qPrintable(run.out));
        QCOMPARE(run.err.contains("Usage: solvane-cli"), code == 2);
        QVERIFY(!QFile::exists(m_dir.filePath("none.json")));
        QVERIFY(!QFile::exists(m_dir.filePath("typo.sqlite")));
        QVERIFY(!QFile::exists(m_dir.filePath("xdg/solvane/library.sqlite")));
    }

    // An output that is the library, however spelt, would replace it with the export.
    void libraryAsOutput()
    {
        const QByteArray before = readAll(m_library);
        const QString name = QFileInfo(m_library).fileName();
        QStringList spellings{m_library,
                              "./" + name,
                              m_dir.path() + "/../" + QFileInfo(m_dir.path()).fileName() + "/" +
                                  name,
                              m_library + "-wal",
                              m_library + "-shm",
                              m_library + "-journal"};
        if (!kWindows) {
            QVERIFY(QFile::link(m_library, m_dir.filePath("link.sqlite")));
            QVERIFY(QFile::link(m_library + "-wal", m_dir.filePath("link-wal")));
            spellings << m_dir.filePath("link.sqlite") << m_dir.filePath("link-wal");
        }
        for (const QString &output : spellings) {
            const Run run = cli({"export", "1", "--format", "csv", "--output", output});
            QCOMPARE(run.code, 2);
            QVERIFY2(run.err.contains("is the library or one of its files"), qPrintable(run.err));
            QCOMPARE(readAll(m_library), before);
            QVERIFY(!QFileInfo::exists(m_library + "-journal"));
        }
        QFile::remove(m_dir.filePath("link.sqlite"));
        QFile::remove(m_dir.filePath("link-wal"));
    }

    // "-" is standard output; nothing is written under that name.
    void standardOutput()
    {
        for (const char *format : {"csv", "json", "xlsx"}) {
            const Run run = cli({"export", "1", "2", "--format", format, "--output", "-"});
            QVERIFY2(run.code == 0, qPrintable(run.err));
            QVERIFY2(run.err.contains("Exported 2 recordings to standard output."),
                     qPrintable(run.err));
            if (QByteArray(format) == "xlsx")
                QVERIFY(run.bytes.startsWith("PK\x03\x04"));
            else
                QCOMPARE(run.bytes, exported({"1", "2"}, format));
        }
        QVERIFY(!QFileInfo::exists(m_dir.filePath("-")));
    }

    // Each file is on disk before it takes the old one's place, so a power cut right after an
    // export leaves the old file or the new one, never an empty one.
    void exportsSyncedBeforeTheyReplace()
    {
        const QString strace = QStandardPaths::findExecutable("strace");
        if (kWindows || strace.isEmpty() || QProcess::execute(strace, {"-o", "/dev/null", "true"}))
            QSKIP("no system call trace here");
        for (const char *format : {"csv", "json", "xlsx"}) {
            const QString out = m_dir.filePath(QString("synced.") + format);
            const QString log = m_dir.filePath("strace.log");
            QProcess traced;
            // LeakSanitizer cannot run under a tracer; the other sanitizers still do.
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("ASAN_OPTIONS", "halt_on_error=1:detect_leaks=0");
            traced.setProcessEnvironment(env);
            traced.start(strace, {"-f", "-y", "-o", log, "-e",
                                  "trace=fsync,fdatasync,rename,renameat,renameat2",
                                  SOLVANE_CLI_BINARY, "--library", m_library, "export", "1",
                                  "--format", format, "--output", out});
            QVERIFY(traced.waitForFinished(30000));
            QVERIFY2(traced.exitCode() == 0, traced.readAllStandardError().constData());
            // The rename onto the target, and a sync of the file it came from before it.
            const QStringList calls = QString::fromUtf8(readAll(log)).split('\n');
            static const QRegularExpression rename(R"re(rename\w*\(.*"([^"]+)",.*"([^"]+)")re");
            qsizetype at = -1;
            QString scratch;
            for (qsizetype i = 0; i < calls.size() && at < 0; ++i) {
                const QRegularExpressionMatch m = rename.match(calls[i]);
                if (m.hasMatch() && m.captured(2) == out) {
                    at = i;
                    scratch = m.captured(1);
                }
            }
            QVERIFY2(at >= 0, qPrintable(calls.join('\n')));
            const QStringList before = calls.mid(0, at);
            QVERIFY2(!before
                          .filter(QRegularExpression("f(data)?sync\\(\\d+<" +
                                                     QRegularExpression::escape(scratch) + ">"))
                          .isEmpty(),
                     qPrintable(calls.join('\n')));
        }
    }

    // A name that is not UTF-8 is written byte for byte, not with U+FFFD in it.
    void nonUtf8Name()
    {
        if (kWindows)
            QSKIP("file names are UTF-16 there");
        QProcess process;
        process.start("sh", {"-c",
                             "exec \"$0\" --library \"$1\" export 1 --format csv --output "
                             "\"$(printf '%s/caf\\351.csv' \"$2\")\"",
                             SOLVANE_CLI_BINARY, m_library, m_dir.path()});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        QFile written;
        const QByteArray name = QFile::encodeName(m_dir.path()) + "/caf\xe9.csv";
        FILE *raw = fopen(name.constData(), "rb");
        QVERIFY2(raw && written.open(raw, QIODevice::ReadOnly), name.constData());
        QVERIFY(written.readAll().startsWith("\xEF\xBB\xBFNUM,VAL,TIME_S,TIME\r\n"));
        written.close();
        fclose(raw);
        remove(name.constData());
        QVERIFY(!QFileInfo::exists(m_dir.filePath("caf\uFFFD.csv")));
    }

    // Stored texts reach the terminal without their control characters; JSON keeps them.
    void controlCharacters()
    {
        const QString library = m_dir.filePath("planted.sqlite");
        Recording r = meter();
        r.serial = QString::fromUtf8("S\x1b[31m\xc2\x9b"
                                     "1");
        r.company = QString::fromUtf8("A\x1b]0;x\x07\x1b[2J\xe2\x80\xae"
                                      "B\r\nVerdict: pass\x7f");
        r.tester = QStringLiteral("Li\tWei");
        RecordingLibrary planted;
        QVERIFY(planted.open(library) && planted.store({r}).ok);
        planted.close();
        const QString bad = QString::fromUtf8("\x1b\x07\r\x7f\xc2\x9b\xe2\x80\xae");
        const struct {
            QStringList arguments;
            QString expected;
        } cases[] = {
            {{"show", "1"},
             "Company: A\uFFFD]0;x\uFFFD\uFFFD[2J\uFFFDB\uFFFD\uFFFDVerdict: pass\uFFFD\n"},
            {{"show", "1"}, "Tester: Li Wei\n"},
            {{"list"}, "S\uFFFD[31m\uFFFD1"},
        };
        for (const auto &c : cases) {
            const Run run = cli(QStringList{"--library", library} + c.arguments, false);
            QCOMPARE(run.code, 0);
            QVERIFY2(run.out.contains(c.expected), qPrintable(run.out));
            for (const QChar ch : bad)
                QVERIFY2(!run.out.contains(ch), qPrintable(run.out));
        }
        const Run shown = cli({"--library", library, "show", "1", "--json"}, false);
        const QJsonObject exact = QJsonDocument::fromJson(shown.bytes).object();
        QCOMPARE(exact.value("company").toString(), r.company);
        QCOMPARE(exact.value("serial").toString(), r.serial);
        QCOMPARE(exact.value("tester").toString(), r.tester);
    }

    // Each entry checked against the chosen process window, or the one --window names.
    void verdicts()
    {
        ProcessWindow peak;
        peak.name = "peak";
        peak.minPeak = 50;
        ProcessWindow dose;
        dose.name = "dose, max";
        dose.maxDose = 1000;
        QString error;
        QVERIFY2(ProcessWindowStore::save({peak, dose}, error), qPrintable(error));
        ProcessWindowStore::setChosenName("peak");
        const auto verdict = [](const QString &window, const QStringList &failed) {
            return QJsonObject{{"window", window},
                               {"pass", failed.isEmpty()},
                               {"failed", QJsonArray::fromStringList(failed)}};
        };
        const struct {
            QStringList arguments;
            QString window;
            QList<QStringList> failed; // entries 4, 3, 2, 1
        } cases[] = {
            {{}, "peak", {{}, {"min_peak"}, {"peak_undefined"}, {}}},
            {{"--window", "dose, max"},
             "dose, max",
             {{"max_dose"}, {}, {}, {"max_dose"}}}, // an undefined peak is not checked here
            {{"--window=peak"}, "peak", {{}, {"min_peak"}, {"peak_undefined"}, {}}},
        };
        for (const auto &c : cases) {
            const QJsonArray all = json(QStringList{"list", "--json"} + c.arguments).array();
            QCOMPARE(all.size(), 4);
            for (qsizetype i = 0; i < all.size(); ++i)
                QCOMPARE(all[i].toObject().value("verdict").toObject(),
                         verdict(c.window, c.failed[i]));
        }
        const QJsonObject shown = json({"show", "3", "--json", "--window", "dose, max"}).object();
        QCOMPARE(shown.value("verdict").toObject(), verdict("dose, max", {}));
        Run run = cli({"list"});
        QVERIFY2(run.out.contains(QRegularExpression("MAX - .* dose 240.0 uJ/cm² +peak: fail: peak "
                                                     "not defined\n")) &&
                     run.out.contains(QRegularExpression("dose 6.77 mJ/cm² +peak: pass\n")),
                 qPrintable(run.out));
        run = cli({"show", "1", "--window", "dose, max"});
        QVERIFY2(run.out.contains("Verdict: dose, max: fail: dose above the maximum\n"),
                 qPrintable(run.out));
        const QString book = m_dir.filePath("verdicts.xlsx");
        QCOMPARE(cli({"export", "1", "3", "--format", "xlsx", "--output", book}).code, 0);
        const QStringList rows = readWorkbook(book);
        QVERIFY2(rows.value(2).contains(" b:False s:pass ") &&
                     rows.value(3).contains(" b:False s:fail: peak below the minimum "),
                 qPrintable(rows.join('\n')));

        // None chosen, or the chosen one gone: no verdict.
        for (const char *chosen : {"", "gone"}) {
            ProcessWindowStore::setChosenName(chosen);
            QVERIFY(json({"list", "--json"}).array().first().toObject().value("verdict").isNull());
        }
    }

    // The demo instruments downloaded into a library of their own, twice, then read back.
    void downloadFromInstrument()
    {
        const QString library = m_dir.filePath("downloaded.sqlite");
        auto run = [&](const QStringList &arguments) {
            return cli(QStringList{"--library", library} + arguments, false);
        };
        const struct {
            const char *demo;
            int entries;
        } instruments[] = {{"logger", 3}, {"meter", 4}};
        for (const auto &instrument : instruments) {
            const QStringList demo{"--demo", instrument.demo};
            for (const bool again : {false, true}) {
                const Run done = run(demo + QStringList{"download"});
                QCOMPARE(done.code, 0);
                QVERIFY2(done.err.isEmpty(), qPrintable(done.err));
                const QStringList lines = done.out.split('\n', Qt::SkipEmptyParts);
                QCOMPARE(lines.size(), instrument.entries + 1);
                for (qsizetype i = 0; i < instrument.entries; ++i)
                    QVERIFY2(lines[i].contains(instrument.demo) &&
                                 lines[i].endsWith(again ? "already in the library" : "new"),
                             qPrintable(lines[i]));
                QCOMPARE(lines.last(),
                         again
                             ? QString("0 new, %1 already in the library").arg(instrument.entries)
                             : QString("%1 new, 0 already in the library").arg(instrument.entries));
            }
            const Run info = run(demo + QStringList{"info", "--json"});
            QCOMPARE(info.code, 0);
            const QJsonObject who = QJsonDocument::fromJson(info.out.toUtf8()).object();
            QCOMPARE(who.value("family").toString(), instrument.demo);
            QCOMPARE(who.value("firmware").toString(), "2.3");
            QVERIFY(!who.value("model").toString().isEmpty());
            QVERIFY(run(demo + QStringList{"info"})
                        .out.contains("Serial: " + who.value("serial").toString() + "\n"));
        }

        const Run listed = run({"list", "--json"});
        const QJsonArray all = QJsonDocument::fromJson(listed.out.toUtf8()).array();
        QCOMPARE(all.size(), 7);
        QList<int> samples;
        QString longest;
        for (const QJsonValue &v : all) {
            const QJsonObject entry = v.toObject();
            if (entry.value("family").toString() == "logger") {
                samples << entry.value("sample_count").toInt();
                if (samples.last() == 560)
                    longest = QString::number(entry.value("id").toInteger());
                QCOMPARE(entry.value("interval_s").toInt(), 1);
                QVERIFY(entry.value("power_max").toDouble() > 1000);
            } else {
                QCOMPARE(entry.value("unit").toString(), "uW/cm²");
                QVERIFY(!entry.value("downloaded_at").toString().isEmpty());
            }
        }
        QCOMPARE(samples, (QList<int>{560, 300, 420})); // newest first
        // A recording's samples, as the instrument sent them, in a workbook.
        const QString book = m_dir.filePath("downloaded.xlsx");
        QCOMPARE(run({"export", longest, "--format", "xlsx", "--output", book}).code, 0);
        const QStringList rows = readWorkbook(book);
        QCOMPARE(rows.size(), 2 + 560);
        QCOMPARE(rows[1], "s:NUM s:VAL s:TIME_S s:TIME");
        QVERIFY2(rows[3].startsWith("n:2 n:") && rows[3].contains(" n:1 d:"), qPrintable(rows[3]));
    }

    // An instrument that fails, in process: the window's words, exit 1, and what came kept.
    void instrumentFailures_data()
    {
        QTest::addColumn<QString>("demo");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("summary");
        const auto row = [](const char *name, const char *demo, int fault, const char *message,
                            const char *summary) {
            QTest::newRow(name) << demo << fault << QString::fromUtf8(message) << summary;
        };
        row("no permission", "logger", 0, "this user may not open it", "");
        row("meter without probe", "meter", 1, "No probe connection!", "");
        row("logger stops sending", "logger", 2, "Getting data outtime,please get again.",
            "0 new, 0 already in the library");
        row("logger unplugged after one recording", "logger", 3,
            "The instrument was disconnected during the download.",
            "1 new, 0 already in the library");
    }

    void instrumentFailures()
    {
        QFETCH(QString, demo);
        QFETCH(int, fault);
        QFETCH(QString, message);
        QFETCH(QString, summary);
        std::unique_ptr<VirtualInstrument> instrument(DemoInstrument::create(demo, nullptr));
        switch (fault) {
        case 0:
            instrument->setOpenRefused(false, true);
            break;
        case 1:
            instrument->setProbeConnected(false);
            break;
        case 2:
            instrument->setLoggerStopAfterFrames(2);
            break;
        case 3:
            // Three identity reads, the count, recording 1, the interval, then recording 2.
            instrument->unplugAfterRequests(7);
            break;
        }
        VirtualHidBackend backend(instrument.get());
        HidBackend::setCurrent(&backend);
        InstrumentProtocol::setReceiveTimeoutMs(300);
        LoggerDownload::setStallTimeoutMs(200);
        const QString library = m_dir.filePath(QString("failures-%1.sqlite").arg(fault));
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        const CliOptions options = CliOptions::parse({"--library", library, "download"});
        const int code = CliCommands(options, outStream, errStream).run();
        HidBackend::setCurrent(nullptr);
        InstrumentProtocol::setReceiveTimeoutMs(InstrumentProtocol::DefaultReceiveTimeoutMs);
        LoggerDownload::setStallTimeoutMs(LoggerDownload::StallTimeoutMs);

        QCOMPARE(code, 1);
        QVERIFY2(err.contains(message), qPrintable(err));
        QCOMPARE(out.split('\n', Qt::SkipEmptyParts).value(0, QString()).isEmpty(),
                 summary.isEmpty());
        if (!summary.isEmpty())
            QVERIFY2(out.endsWith(summary + "\n"), qPrintable(out));
        RecordingLibrary kept;
        QVERIFY(kept.open(library));
        QCOMPARE(kept.count({}), summary.startsWith('1') ? 1 : 0);
    }

    // Last: the others read what it removes. Removed, the entry leaves the lists and the
    // exports but not the library; the trail tells it all, and verify finds what was done
    // past the program.
    void removeRestoreVerify()
    {
        Run run = cli({"delete", "3", "--reason", "wrong lamp"});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.out, "Removed 3; it is kept in the library (restore 3 brings it back).\n");
        QCOMPARE(idsOf(json({"list", "--json"}).array()), (QList<qint64>{4, 2, 1}));
        QCOMPARE(idsOf(json({"list", "--json", "--removed"}).array()), (QList<qint64>{3}));
        QCOMPARE(json({"show", "3", "--json"}).object()["removed"].toBool(), true);
        run = cli({"delete", "3", "--reason", "again"});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains("Recording 3 is removed already."), qPrintable(run.err));
        run = cli({"export", "3", "--format", "json", "--output", m_dir.filePath("x.json")});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains("restore it to export it"), qPrintable(run.err));
        QCOMPARE(cli({"restore", "3", "--reason", "right lamp after all"}).code, 0);
        QCOMPARE(cli({"delete", "3", "--reason", "wrong lamp"}).code, 0);

        const QJsonArray history = json({"audit", "--recording", "3", "--json"}).array();
        QStringList actions;
        for (const QJsonValue &e : history)
            actions << e["action"].toString();
        QCOMPARE(actions, (QStringList{"recording.stored", "recording.removed",
                                       "recording.restored", "recording.removed"}));
        QCOMPARE(history[1]["details"]["reason"].toString(), QString("wrong lamp"));
        QVERIFY(!history[1]["user"].toString().isEmpty());
        QVERIFY(cli({"audit"}).out.contains("right lamp after all"));
        QCOMPARE(json({"audit", "--json", "--since", "2999-01-01"}).array().size(), 0);

        const QJsonObject clean = json({"verify", "--json"}).object();
        QCOMPARE(clean["ok"].toBool(), true);
        const QString head = clean["head"].toString();
        QCOMPARE(head.size(), 64);
        run = cli({"verify"});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains(head), qPrintable(run.out));
        // A report text changed in the file itself, past the program.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "past");
            db.setDatabaseName(m_library);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec("UPDATE recordings SET tester = 'Mallory' WHERE id = 2"));
            db.close();
        }
        QSqlDatabase::removeDatabase("past");
        run = cli({"verify", "--json", "--head", head});
        QCOMPARE(run.code, 1);
        const QJsonObject broken = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(broken["ok"].toBool(), false);
        QCOMPARE(broken["break"]["kind"].toString(), QString("texts"));
        QCOMPARE(broken["break"]["recording"].toInt(), 2);
        run = cli({"verify"});
        QCOMPARE(run.code, 1);
        QCOMPARE(run.out, "BROKEN: The report texts of recording 2 were changed without an entry "
                          "in the audit trail.\n");
    }

private:
    Run cli(QStringList arguments, bool withLibrary = true)
    {
        if (withLibrary)
            arguments = QStringList{"--library", m_library} + arguments;
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", m_dir.filePath("xdg"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(SOLVANE_CLI_BINARY), arguments);
        // Under Wine a start is now and then refused when the machine is loaded; that is the
        // harness's lot, not the program's, so it is tried once more.
        if (!process.waitForStarted(30000) && process.error() == QProcess::FailedToStart) {
            qWarning() << "solvane-cli did not start, tried again:" << process.errorString();
            process.start(QStringLiteral(SOLVANE_CLI_BINARY), arguments);
        }
        Run run;
        const bool finished = process.waitForFinished(30000);
        if (!finished || process.exitStatus() != QProcess::NormalExit) {
            const QString why = !finished ? process.errorString()
                                          : QStringLiteral("crashed, exit code 0x%1")
                                                .arg(uint(process.exitCode()), 8, 16, QChar('0'));
            process.kill();
            process.waitForFinished(5000);
            run.err = QStringLiteral("solvane-cli did not finish (%1): %2\nstderr: %3")
                          .arg(why, arguments.join(' '),
                               QString::fromUtf8(process.readAllStandardError()));
            return run;
        }
        run.code = process.exitCode();
        run.bytes = process.readAllStandardOutput();
        run.out = QString::fromUtf8(run.bytes);
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    QJsonDocument json(const QStringList &arguments)
    {
        const Run run = cli(arguments);
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8(), &error);
        if (run.code != 0 || error.error != QJsonParseError::NoError)
            qWarning() << arguments << run.code << run.err << error.errorString();
        return doc;
    }

    QByteArray exported(const QStringList &ids, const QString &format)
    {
        const QString file = m_dir.filePath("out." + format);
        QFile::remove(file);
        const Run run =
            cli(QStringList{"export"} + ids + QStringList{"--format", format, "--output", file});
        if (run.code != 0)
            return run.err.toUtf8();
        return readAll(file);
    }

    QTemporaryDir m_dir;
    QString m_library;
    QString m_firstHash;
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
