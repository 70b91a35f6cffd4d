#pragma once

#include "hidbackend.h"
#include "hidslicedconnection.h"
#include "posixio.h"

#include <QString>
#include <memory>

// A Linux hidraw node opened by us alone: an exclusive advisory lock (flock) on the open
// node, non-blocking reads bounded by poll(), writes bounded by their deadline.
// Reports go through as the kernel has them: report[0] is the report identifier.
class HidrawConnection : public HidSlicedConnection
{
public:
    // Bytes asked of one read(); the kernel hands over one report, cut to this size.
    static constexpr int ReadBufferSize = 4096;

    // Opens the node at `path`; null on failure, with the reason in `error`: NotFound
    // (no such node), PermissionDenied, Busy (another program holds the lock), Failed.
    static std::unique_ptr<HidrawConnection> open(const QString &path, const QString &serial,
                                                  HidBackend::OpenError *error = nullptr,
                                                  const PosixIo &io = PosixIo::system());
    ~HidrawConnection() override { stopWriting(); }

    bool isRemoved() const override;

    struct Handle;

protected:
    bool broken() const override;
    int readSlice(QByteArray &report, int sliceMs) override;
    HidDeadlineWriter::Job writeJob(const QByteArray &report) const override;

private:
    HidrawConnection(std::shared_ptr<Handle> handle, const QString &serial);

    std::shared_ptr<Handle> m_handle;
};
