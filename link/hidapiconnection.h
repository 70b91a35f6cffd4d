#pragma once

#include "hidapicalls.h"
#include "hidslicedconnection.h"

#include <QString>
#include <functional>
#include <memory>

struct hid_device_;

// A device opened through hidapi's own I/O (systems other than Linux, where the backend
// opens a HidrawConnection): a read slice is one report wait of hidapi's.
class HidApiConnection : public HidSlicedConnection
{
public:
    static constexpr int ReadBufferSize = 256;

    // `gone` tells that the device has left without consuming input, where the system
    // offers such a test; without it only failed reads and writes tell.
    HidApiConnection(hid_device_ *device, const QString &serial,
                     const HidApiCalls &hid = HidApiCalls::system(),
                     std::function<bool()> gone = {});
    ~HidApiConnection() override { stopWriting(); }

    bool isRemoved() const override;

    struct Handle;

protected:
    bool broken() const override;
    int readSlice(QByteArray &report, int sliceMs) override;
    HidDeadlineWriter::Job writeJob(const QByteArray &report) const override;

private:
    std::shared_ptr<Handle> m_handle;
    std::function<bool()> m_gone;
};
