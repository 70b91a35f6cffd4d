#pragma once

#include "hidapicalls.h"
#include "hidbackend.h"
#include "posixio.h"

#include <QHash>
#include <QMutex>
#include <functional>

// Real instruments: hidapi enumerates on every system. On Linux an opened device is a
// HidrawConnection (our own hidraw I/O: exclusive lock, every wait bounded); elsewhere
// hidapi's own I/O (HidApiConnection).
class HidApiBackend : public HidBackend
{
public:
    enum class Io { Hidraw, HidApi };
#ifdef __linux__
    static constexpr Io DefaultIo = Io::Hidraw;
#else
    static constexpr Io DefaultIo = Io::HidApi;
#endif

    explicit HidApiBackend(const HidApiCalls &hid = HidApiCalls::system(),
                           const PosixIo &io = PosixIo::system(), Io mode = DefaultIo);
    ~HidApiBackend() override;

    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override;
    std::unique_ptr<HidConnection> open(const QString &path, OpenError *error = nullptr) override;

    // hidapi caches the device's strings at open, so presence is judged by the hidraw node
    // itself: gone once the node at `path` is no longer the one it was now. Empty for a path
    // that is no device node.
    static std::function<bool()> nodeGone(const QString &path, const PosixIo &io);

private:
    QList<HidDeviceInfo> list(quint16 vendorId, quint16 productId);
    QString serialOf(const QString &path);

    HidApiCalls m_hid;
    PosixIo m_io;
    Io m_mode;
    bool m_initialised = false;
    QMutex m_mutex;
    QHash<QString, QString> m_serials; // path -> serial, from the last enumerations
};
