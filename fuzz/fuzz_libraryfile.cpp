// A library file from anywhere (a damaged disk, a file of another program, a crafted one):
// opening, listing and reading it never crashes nor hangs, and every failure is told.
#include "fuzzcheck.h"
#include "recording.h"
#include "recordinglibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

// With SOLVANE_FUZZ_MAKE_SEEDS=DIR the target writes small real libraries there and stops.
void makeSeeds(const QString &dir)
{
    for (int kind = 0; kind < 2; ++kind) {
        const QString path = QDir(dir).filePath(kind ? QStringLiteral("meter-groups")
                                                     : QStringLiteral("logger-recordings"));
        QFile::remove(path);
        RecordingLibrary library;
        check(library.open(path));
        QList<Recording> entries;
        for (int g = 1; g <= 3; ++g) {
            Recording r;
            r.family = kind ? Recording::Family::Meter : Recording::Family::Logger;
            r.serial = QStringLiteral("5633416");
            r.modelCode = 5633416;
            r.modelName = QStringLiteral("UV-416");
            r.group = g;
            r.startTime = QDateTime(QDate(2024, 3, g), QTime(9, 0));
            r.intervalSeconds = 10;
            r.samples = QByteArray(4 * 8, char(g));
            r.shown = QStringList{QString::number(g), QStringLiteral("Müller")};
            r.tester = QStringLiteral("Müller");
            r.updateHash();
            entries.append(r);
        }
        check(library.store(entries).ok);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static int count = *argc;
    static QCoreApplication app(count, *argv);
    quietMessages();
    const QString seeds = qEnvironmentVariable("SOLVANE_FUZZ_MAKE_SEEDS");
    if (!seeds.isEmpty()) {
        makeSeeds(seeds);
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("library.sqlite"));
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly));
        check(file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size)) ==
              static_cast<qint64>(size));
    }
    RecordingLibrary library;
    if (!library.open(path)) {
        check(!library.lastError().isEmpty());
        return 0;
    }
    RecordingLibrary::Filter all;
    all.withSamples = true;
    const int count = library.count(all);
    check(count >= 0);
    const QList<Recording> listed = library.list(all, 0, 20);
    check(listed.size() <= 20);
    for (const Recording &listedOne : listed) {
        Recording read;
        library.get(listedOne.id, read);
        (void)read.sampleCount();
    }
    RecordingLibrary::Filter text;
    text.text = QStringLiteral("müller");
    check(library.count(text) >= 0);
    library.serials();
    return 0;
}
