#pragma once

#include "hidbackend.h"
#include "hidconnection.h"
#include "posixio.h"

#include <QByteArray>
#include <QString>
#include <memory>

class HidHandleLock;
class HidDeadlineWriter;

// A Linux hidraw node opened by us alone: an exclusive advisory lock (flock) on the open
// node, non-blocking reads bounded by poll(), writes bounded by their deadline on a
// writer thread, and one lock so that two threads never use the node at once.
// Reports go through as the kernel has them: report[0] is the report identifier.
class HidrawConnection : public HidConnection
{
public:
    // Longest hold of the handle lock by one read.
    static constexpr int ReadSliceMs = 50;
    // Bytes asked of one read(); the kernel hands over one report, cut to this size.
    static constexpr int ReadBufferSize = 4096;

    // Opens the node at `path`; null on failure, with the reason in `error`: NotFound
    // (no such node), PermissionDenied, Busy (another program holds the lock), Failed.
    static std::unique_ptr<HidrawConnection> open(const QString &path, const QString &serial,
                                                  HidBackend::OpenError *error = nullptr,
                                                  const PosixIo &io = PosixIo::system());
    ~HidrawConnection() override;

    int writeReport(const QByteArray &report, int timeoutMs) override;
    int readReport(QByteArray &report, int timeoutMs) override;
    bool isRemoved() const override;
    QString serialNumber() const override { return m_serial; }

    struct Handle;

private:
    HidrawConnection(std::shared_ptr<Handle> handle, const QString &serial);
    int readSlice(QByteArray &report, int sliceMs);

    std::shared_ptr<Handle> m_handle;
    QString m_serial;
    std::shared_ptr<HidHandleLock> m_lock;
    std::unique_ptr<HidDeadlineWriter> m_writer; // last: goes first, before the handle
};
