// What only the Windows build has: settings in an INI file, the Credential Manager, the
// console the command line writes to.
#include "consolesetup.h"
#include "librarylocation.h"
#include "librarypassword.h"
#include "programsettings.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <windows.h>

using namespace Qt::StringLiterals;

class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    // An INI file under the roaming AppData, or in the folder SOLVANE_CONFIG_DIR names.
    void settingsFile()
    {
        const QByteArray given = qgetenv("SOLVANE_CONFIG_DIR");
        auto restore = qScopeGuard([&] { qputenv("SOLVANE_CONFIG_DIR", given); });
        QTemporaryDir dir;
        qputenv("SOLVANE_CONFIG_DIR", QFile::encodeName(dir.path()));
        {
            ProgramSettings settings;
            QCOMPARE(settings.format(), QSettings::IniFormat);
            settings.setValue(u"ui/language"_s, u"en"_s);
        }
        QFile ini(dir.filePath(u"solvane.ini"_s));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("language=en"));

        qunsetenv("SOLVANE_CONFIG_DIR");
        const QString path = ProgramSettings::filePath();
        QVERIFY2(path.endsWith(u"/AppData/Roaming/solvane/solvane.ini"_s, Qt::CaseInsensitive),
                 qPrintable(path));
    }

    // A lab database's password kept, read back whole (any script) and forgotten.
    void credentialManager()
    {
        LibraryLocation where;
        QVERIFY(
            LibraryLocation::parse(u"postgresql://alice@lab.example:5433/uv"_s, where, nullptr));
        auto cleanup = qScopeGuard([&] { LibraryPassword::forget(where); });
        QString error;
        QVERIFY(LibraryPassword::forget(where, &error) && error.isEmpty());
        QString kept;
        QVERIFY(!LibraryPassword::read(where, kept, &error));
        QVERIFY2(error.isEmpty(), qPrintable(error)); // none kept is no failure
        const QString secret = u"sécret-密码-🔑"_s;
        QVERIFY2(LibraryPassword::write(where, secret, &error), qPrintable(error));
        QVERIFY(LibraryPassword::read(where, kept, &error));
        QCOMPARE(kept, secret);
        QVERIFY(LibraryPassword::forget(where, &error));
        QVERIFY(!LibraryPassword::read(where, kept));
    }

    // The console shows UTF-8 while the command line runs, its own code page again after.
    void consoleCodePage()
    {
        if (!GetConsoleWindow() && !AllocConsole())
            QSKIP("no console can be had here");
        QVERIFY(SetConsoleOutputCP(437));
        {
            const ConsoleSetup console;
            QCOMPARE(GetConsoleOutputCP(), UINT(CP_UTF8));
        }
        QCOMPARE(GetConsoleOutputCP(), UINT(437));
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
