#pragma once

#include "hidapicalls.h"
#include "hidslicedconnection.h"
#include "posixio.h"

#include <QString>
#include <memory>
#include <sys/types.h>

struct hid_device_;

// A device opened through hidapi's own I/O (systems other than Linux, where the backend
// opens a HidrawConnection): a read slice is one report wait of hidapi's.
class HidApiConnection : public HidSlicedConnection
{
public:
    static constexpr int ReadBufferSize = 256;

    HidApiConnection(hid_device_ *device, const QString &path, const QString &serial,
                     const HidApiCalls &hid = HidApiCalls::system(),
                     const PosixIo &io = PosixIo::system());
    ~HidApiConnection() override { stopWriting(); }

    bool isRemoved() const override;

    struct Handle;

protected:
    bool broken() const override;
    int readSlice(QByteArray &report, int sliceMs) override;
    HidDeadlineWriter::Job writeJob(const QByteArray &report) const override;

private:
    std::shared_ptr<Handle> m_handle;
    PosixIo m_io;
    QByteArray m_path;
    // hidapi caches the device's strings at open, so presence is judged by the node itself.
    bool m_haveNode = false;
    dev_t m_rdev = 0;
};
