// Writes the seed corpus: real traffic of the virtual instrument, as the fuzz targets
// read it. Usage: make-corpus OUTPUT_DIR (one subfolder per target).
#include "bytes.h"
#include "hidconnection.h"
#include "hidhost.h"
#include "instrumentprotocol.h"
#include "loggerframes.h"
#include "virtualhidbackend.h"
#include "virtualinstrument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

QString g_root;

void save(const QString &target, const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(g_root + QLatin1Char('/') + target);
    QFile file(g_root + QLatin1Char('/') + target + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
}

// Talks to the virtual instrument at the report level, as the transport does.
class Host
{
public:
    explicit Host(VirtualInstrument &instrument)
        : m_backend(&instrument), m_connection(HidHost::open(m_backend))
    {
        if (!m_connection) {
            std::fprintf(stderr, "the virtual instrument did not open\n");
            std::exit(1);
        }
    }

    // Sends a request (frame CRC added here) and returns the input reports of the answer.
    QList<QByteArray> exchange(const QByteArray &request)
    {
        HidHost(*m_connection).send(Bytes::withCrc(request));
        return drain();
    }
    QList<QByteArray> drain() { return HidHost(*m_connection).drain(20); }

private:
    VirtualHidBackend m_backend;
    std::unique_ptr<HidConnection> m_connection;
};

QByteArray payloadOf(const QList<QByteArray> &reports)
{
    return HidHost::payloadOf(reports);
}

// The scripted connection's format: a length byte before every report.
QByteArray scriptOf(const QList<QByteArray> &reports)
{
    QByteArray script;
    for (const QByteArray &r : reports) {
        script.append(char(r.size()));
        script.append(r);
    }
    return script;
}

QByteArray byte(int value)
{
    return QByteArray(1, char(value));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-corpus OUTPUT_DIR\n");
        return 2;
    }
    g_root = QString::fromLocal8Bit(argv[1]);

    // --- the meter: identity, settings, clock, groups and probe reports ---
    VirtualInstrument meter(VirtualInstrument::Family::Meter, 415);
    meter.setSerialNumber(19120042);
    meter.setCalibrationDate(2022, 3, 14);
    meter.setMeasureSettings(1, 2, 3, 4);
    meter.setHostSettings(0, 1, 0, 1);
    meter.setClock(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58)));
    meter.setMeterGroups(
        {{12.5f, 20.f, 3.25f, 11.f, 480.5f, 60.f}, {0.f, 0.f, 0.f, 0.f, 0.f, 0.f}});
    Host host(meter);

    using P = InstrumentProtocol;
    const QByteArray firmware = payloadOf(host.exchange(P::firmwareVersionRequest()));
    const QByteArray production = payloadOf(host.exchange(P::productionInfoRequest()));
    const QByteArray calibration = payloadOf(host.exchange(P::calibrationDateRequest()));
    const QByteArray measure = payloadOf(host.exchange(P::measureConfigureRequest()));
    const QByteArray hostSettings = payloadOf(host.exchange(P::hostConfigureRequest()));
    const QByteArray writeMeasure =
        payloadOf(host.exchange(P::writeMeasureConfigureRequest(1, 2, 3, 4)));
    const QByteArray writeHost = payloadOf(host.exchange(P::writeHostConfigureRequest(0, 1, 0, 1)));
    const QByteArray writeClock = payloadOf(
        host.exchange(P::writeDateTimeRequest(QDateTime(QDate(2025, 12, 31), QTime(8, 0, 0)))));
    const QByteArray clock = payloadOf(host.exchange(P::dateTimeRequest()));
    const QByteArray groupCount = payloadOf(host.exchange(P::powerGroupCountRequest()));

    // Selector: decoder in the low three bits, address (0x60, 0x80, 0x24, 0xE0) in the next two.
    const QString protocol = QStringLiteral("fuzz_protocolreplies");
    save(protocol, QStringLiteral("firmware"), byte(0) + firmware);
    save(protocol, QStringLiteral("production"), byte(1) + production);
    save(protocol, QStringLiteral("calibration"), byte(2) + calibration);
    save(protocol, QStringLiteral("measure-settings"), byte(3) + measure);
    save(protocol, QStringLiteral("host-settings"), byte(3 | 1 << 3) + hostSettings);
    save(protocol, QStringLiteral("write-measure"), byte(4) + writeMeasure);
    save(protocol, QStringLiteral("write-host"), byte(4 | 1 << 3) + writeHost);
    save(protocol, QStringLiteral("write-clock"), byte(5) + writeClock);
    save(protocol, QStringLiteral("clock"), byte(6) + clock);
    save(protocol, QStringLiteral("group-count"), byte(7) + groupCount);

    const QList<QByteArray> group0 = host.exchange(P::powerGroupRequest(0xF0));
    const QList<QByteArray> group1 = host.exchange(P::powerGroupRequest(0xF0 + 24));
    meter.setProbeConnected(false);
    const QList<QByteArray> unplugged = host.drain();
    const QList<QByteArray> refused = host.exchange(P::powerGroupRequest(0xF0));
    meter.setProbeConnected(true);
    const QList<QByteArray> plugged = host.drain();

    const QString meterTarget = QStringLiteral("fuzz_meterframes");
    save(meterTarget, QStringLiteral("groups"), payloadOf(group0) + payloadOf(group1));
    save(meterTarget, QStringLiteral("probe-out-then-error"),
         payloadOf(unplugged) + payloadOf(refused));
    save(meterTarget, QStringLiteral("garbage-group-probe"),
         Bytes::hex("00 ab 13") + payloadOf(group1) + payloadOf(plugged));

    // Link and transport: the same traffic as input reports.
    const QString linkTarget = QStringLiteral("fuzz_linkframes");
    save(linkTarget, QStringLiteral("production"),
         byte(30 - 1) + scriptOf(host.exchange(P::productionInfoRequest())));
    save(linkTarget, QStringLiteral("group-then-group"), byte(34 - 1) + scriptOf(group0 + group1));
    save(linkTarget, QStringLiteral("probe-then-group"), byte(34 - 1) + scriptOf(plugged + group0));
    QList<QByteArray> foreign = group0;
    foreign.prepend(Bytes::hex("05 00 00 00 00 00 00 00"));
    save(linkTarget, QStringLiteral("foreign-report-first"), byte(34 - 1) + scriptOf(foreign));

    // --- the logger: recordings downloaded frame by frame ---
    VirtualInstrument logger(VirtualInstrument::Family::Logger, 416);
    QVector<VirtualInstrument::Recording> recordings(3);
    recordings[0].start = QDateTime(QDate(2023, 7, 1), QTime(9, 30, 0));
    for (int i = 0; i < 30; ++i)
        recordings[0].samples.append(100.f + 2.5f * i);
    recordings[1].start = QDateTime(QDate(2024, 1, 2), QTime(0, 0, 5));
    recordings[1].samples = {0.5f, 1e30f, -3.f};
    recordings[2].start = QDateTime(QDate(2020, 12, 31), QTime(23, 59, 59));
    logger.setRecordings(recordings);
    Host loggerHost(logger);
    QList<QByteArray> downloads[3];
    for (int g = 0; g < 3; ++g)
        downloads[g] = loggerHost.exchange(P::powerGroupRequest(LoggerFrames::groupAddress(g)));

    // Input of fuzz_loggerframes: piece count, piece lengths, then the received bytes.
    const QString loggerTarget = QStringLiteral("fuzz_loggerframes");
    save(loggerTarget, QStringLiteral("recording-whole"), byte(0) + payloadOf(downloads[0]));
    save(loggerTarget, QStringLiteral("recording-in-reports"),
         byte(3) + byte(62) + byte(62) + byte(62) + payloadOf(downloads[0]));
    save(loggerTarget, QStringLiteral("short-recording-cut-in-crc"),
         byte(2) + byte(27) + byte(9) + payloadOf(downloads[1]));
    save(loggerTarget, QStringLiteral("empty-recording"),
         byte(1) + byte(7) + payloadOf(downloads[2]));

    const QString curveTarget = QStringLiteral("fuzz_curvesamples");
    save(curveTarget, QStringLiteral("recording"),
         LoggerFrames::assembleGroup(payloadOf(downloads[0])));
    save(curveTarget, QStringLiteral("short-recording"),
         LoggerFrames::assembleGroup(payloadOf(downloads[1])));
    save(curveTarget, QStringLiteral("start-time-only"),
         LoggerFrames::assembleGroup(payloadOf(downloads[2])));

    // Transport: K reads of given lengths, then the reports.
    const QString hidTarget = QStringLiteral("fuzz_hidread");
    save(hidTarget, QStringLiteral("recording"),
         byte(2) + byte(34) + byte(10) + byte(200) + scriptOf(downloads[1]));
    save(hidTarget, QStringLiteral("group"), byte(0) + byte(34) + scriptOf(group0));
    save(hidTarget, QStringLiteral("probe-and-foreign"),
         byte(1) + byte(5) + byte(60) + scriptOf(foreign + plugged));
    QByteArray gap = scriptOf(group0 + group1);
    gap.insert(1 + group0.first().size(), '\0'); // nothing in time between the two reports
    save(hidTarget, QStringLiteral("gap-between-reports"), byte(1) + byte(40) + byte(40) + gap);
    return 0;
}
