#pragma once

#include "hidapicalls.h"
#include "hidconnection.h"
#include "posixio.h"

#include <QString>
#include <memory>
#include <sys/types.h>

struct hid_device_;
class HidHandleLock;
class HidDeadlineWriter;

// A device opened through hidapi's own I/O (systems other than Linux, where the backend
// opens a HidrawConnection). One lock keeps the two threads off the handle at once: a
// read holds it for one report wait at most, a write takes it by its deadline and runs
// on a writer thread, so that it ends by its deadline too.
class HidApiConnection : public HidConnection
{
public:
    static constexpr int ReadSliceMs = 50;
    static constexpr int ReadBufferSize = 256;

    HidApiConnection(hid_device_ *device, const QString &path, const QString &serial,
                     const HidApiCalls &hid = HidApiCalls::system(),
                     const PosixIo &io = PosixIo::system());
    ~HidApiConnection() override;

    int writeReport(const QByteArray &report, int timeoutMs) override;
    int readReport(QByteArray &report, int timeoutMs) override;
    bool isRemoved() const override;
    QString serialNumber() const override { return m_serial; }

    struct Handle;

private:
    std::shared_ptr<Handle> m_handle;
    QString m_serial;
    PosixIo m_io;
    QByteArray m_path;
    // hidapi caches the device's strings at open, so presence is judged by the node itself.
    bool m_haveNode = false;
    dev_t m_rdev = 0;
    std::shared_ptr<HidHandleLock> m_lock;
    std::unique_ptr<HidDeadlineWriter> m_writer; // last: goes first, before the handle
};
