// What only the Windows build has.
#include "programsettings.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestWindows : public QObject
{
    Q_OBJECT

private slots:
    // An INI file under AppData, or in the folder SOLVANE_CONFIG_DIR names; never the registry.
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
        const QString standard = QDir::fromNativeSeparators(
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
        const QString path = ProgramSettings::filePath();
        QVERIFY2(path.endsWith(u"/AppData/Roaming/solvane/solvane.ini"_s, Qt::CaseInsensitive),
                 qPrintable(path));
        QVERIFY2(!standard.isEmpty(), "no AppData");
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
