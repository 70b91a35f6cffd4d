#pragma once

#include "clinker.h"
#include "libhiddevice.h"

class CLinkerUSB : public CLinker
{
    Q_OBJECT

public:
    static constexpr int PollReadSize = 12800;
    static constexpr int ReportWaitMs = 50;

    explicit CLinkerUSB(QObject *parent = nullptr);
    ~CLinkerUSB() override;

    // 0 on success, -1 on failure.
    signed char Open(quint16 vendorId, quint16 productId);
    void Close() override;
    // timeout 0: waits up to ReportWaitMs for the first report, then takes what has come.
    int Read(QByteArray &buffer, int timeout, int length) override;
    int Write(QByteArray &frame, int timeout) override;
    bool IsOpen() override;
    bool IsRemoved() override;
    bool WaitForInput(int timeoutMs) override;
    void WakeInputWaiters() override;

    HidBackend::OpenError lastOpenError() const { return m_device.lastOpenError(); }

    // Frame mode keeps only what can be a frame: everything before the first 0xAB goes.
    static void dropFrontGarbage(QByteArray &buffer);

private:
    int pollRead(QByteArray &buffer);
    int frameRead(QByteArray &buffer, int timeout, int length);

    libHidDevice m_device;
};
