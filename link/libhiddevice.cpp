#include "libhiddevice.h"
#include "hidconnection.h"

#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <cstring>

namespace {

constexpr int MaxInterfaces = 128;
constexpr int MaxSerials = 6;

// Picks the interface to open: the instrument whose serial was found last, and of its
// interfaces the last one. An empty serial gets a name of its own so that every
// instrument stays distinguishable.
int chooseInterface(const QList<HidDeviceInfo> &devices)
{
    QStringList keys;
    QStringList serials;
    int unnamed = 0;
    const int count = std::min<int>(devices.size(), MaxInterfaces);
    for (int i = 0; i < count; ++i) {
        const QString &serial = devices.at(i).serial;
        const QString key =
            serial.isEmpty() ? QStringLiteral("SerNum %1").arg(unnamed++, 0, 16) : serial;
        keys.append(key);
        if (!serials.contains(key) && serials.size() < MaxSerials)
            serials.append(key);
    }
    if (serials.isEmpty())
        return -1;
    const QString target = serials.last();
    int chosen = -1;
    for (int i = 0; i < count; ++i) {
        if (keys.at(i) != target)
            continue;
        if (chosen < 0 || devices.at(i).interfaceNumber >= devices.at(chosen).interfaceNumber)
            chosen = i;
    }
    return chosen;
}

} // namespace

libHidDevice::libHidDevice() = default;

libHidDevice::~libHidDevice()
{
    libHidDevice::Close();
}

int libHidDevice::Open(quint16 vendorId, quint16 productId)
{
    // A record serves one open only.
    Close();
    m_record.reset();
    m_open = false;
    m_lastOpenError = HidBackend::OpenError::NotFound;

    HidBackend *backend = HidBackend::current();
    const QList<HidDeviceInfo> devices = backend->enumerate(vendorId, productId);
    QList<HidDeviceInfo> matching;
    for (const HidDeviceInfo &d : devices) {
        if (d.vendorId == vendorId && d.productId == productId)
            matching.append(d);
    }
    const int index = chooseInterface(matching);
    if (index < 0)
        return -1;

    HidBackend::OpenError error = HidBackend::OpenError::None;
    std::unique_ptr<HidConnection> connection = backend->open(matching.at(index).path, &error);
    if (!connection) {
        m_lastOpenError = error == HidBackend::OpenError::None ? HidBackend::OpenError::Failed : error;
        return -1;
    }

    auto record = std::make_unique<DeviceRecord>();
    record->inputReportLength = connection->inputReportLength();
    record->outputReportLength = connection->outputReportLength();
    record->connection = std::move(connection);
    record->open = true;
    m_record = std::move(record);
    m_open = true;
    m_lastOpenError = HidBackend::OpenError::None;
    return 0;
}

void libHidDevice::Close()
{
    if (!m_record || !m_record->open || !m_record->connection)
        return;
    m_record->open = false;
    m_record->connection.reset();
    m_record->leftover.clear();
    m_open = false;
}

bool libHidDevice::IsOpen() const
{
    return m_open && m_record && m_record->open;
}

int libHidDevice::Write(const char *source, int length, int timeoutMs)
{
    if (length <= 0 || !source)
        return 0;
    if (!IsOpen())
        return 0;
    DeviceRecord &record = *m_record;
    record.writeTimeout = timeoutMs;
    const int reportLength = std::max(record.outputReportLength, MaxPayload + 2);

    int offset = 0;
    while (offset < length) {
        const int n = std::min(length - offset, MaxPayload);
        QByteArray report(reportLength, '\0');
        report[0] = static_cast<char>(ReportId);
        report[1] = static_cast<char>(n);
        std::memcpy(report.data() + 2, source + offset, static_cast<size_t>(n));
        if (record.connection->writeReport(report, record.writeTimeout) <= 0)
            return 0;
        offset += n;
    }
    return length;
}

int libHidDevice::Read(char *destination, int length, int timeoutMs)
{
    if (length <= 0 || !destination || !IsOpen())
        return 0;
    DeviceRecord &record = *m_record;
    record.readTimeout = timeoutMs;
    QByteArray &leftover = record.leftover;

    if (leftover.size() > length) {
        std::memcpy(destination, leftover.constData(), static_cast<size_t>(length));
        leftover.remove(0, length);
        return length;
    }
    int handed = static_cast<int>(leftover.size());
    if (handed > 0)
        std::memcpy(destination, leftover.constData(), static_cast<size_t>(handed));
    leftover.clear();

    // Reports that carry nothing for us (another identifier, empty payload) do not
    // count as arrivals, so a stream of them cannot stretch the wait.
    QElapsedTimer sinceUseful;
    sinceUseful.start();
    QByteArray report;
    while (handed < length) {
        if (!IsOpen())
            return 0;
        const int remainingWait = std::max(0, record.readTimeout - static_cast<int>(sinceUseful.elapsed()));
        const int got = record.connection->readReport(report, remainingWait);
        if (got < 0)
            return 0;
        if (got == 0) {
            // Whatever was handed over (leftover included) is kept rather than lost.
            return handed;
        }
        if (report.size() < 2 || static_cast<quint8>(report.at(0)) != ReportId) {
            if (sinceUseful.elapsed() > record.readTimeout)
                return handed;
            continue;
        }
        // Never more than the payload field holds, whatever the length byte claims.
        const int n = std::min({static_cast<int>(static_cast<quint8>(report.at(1))), MaxPayload,
                                static_cast<int>(report.size()) - 2});
        if (n <= 0) {
            if (sinceUseful.elapsed() > record.readTimeout)
                return handed;
            continue;
        }
        sinceUseful.restart();
        const int wanted = length - handed;
        if (n > wanted) {
            std::memcpy(destination + handed, report.constData() + 2, static_cast<size_t>(wanted));
            leftover = report.mid(2 + wanted, n - wanted);
            return length;
        }
        std::memcpy(destination + handed, report.constData() + 2, static_cast<size_t>(n));
        handed += n;
    }
    return length;
}

bool libHidDevice::IsRemoved() const
{
    if (!m_record || !m_record->open || !m_record->connection)
        return true;
    return m_record->connection->isRemoved();
}
