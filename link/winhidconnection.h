#pragma once

#include "hidconnection.h"
#include "win32hidcalls.h"

#include <QByteArray>
#include <QString>
#include <atomic>

// An opened HID interface on Windows: overlapped reads and writes, each with its own
// completion record and event, so a write may run while a read waits. A wait that ends
// without its report cancels the transfer, and the transfer is finished before the call
// returns, so nothing is left pending on our buffers.
class WinHidConnection : public HidConnection
{
public:
    // How long a cancelled transfer may take to finish; beyond it the handle is given up.
    static constexpr DWORD CancelWaitMs = 1000;

    // Takes `handle`; the report lengths come from the interface's capabilities (0: unknown).
    WinHidConnection(HANDLE handle, const QString &serial, int inputLength, int outputLength,
                     const Win32HidCalls &calls);
    ~WinHidConnection() override;
    WinHidConnection(const WinHidConnection &) = delete;
    WinHidConnection &operator=(const WinHidConnection &) = delete;

    // False when its events could not be made: it can move nothing.
    bool isUsable() const;

    int writeReport(const QByteArray &report, int timeoutMs) override;
    int readReport(QByteArray &report, int timeoutMs) override;
    // The attributes query fails once the instrument has been unplugged.
    bool isRemoved() const override;
    void cancelRead() override;
    QString serialNumber() const override { return m_serial; }
    int inputReportLength() const override { return m_inputLength; }
    int outputReportLength() const override { return m_outputLength; }

private:
    // Waits up to `timeoutMs` for a started transfer (and, when reading, for cancelRead()):
    // its byte count, 0 when it did not finish in time or was cancelled, -1 when it failed.
    int finish(OVERLAPPED &overlapped, HANDLE done, bool reading, int timeoutMs);

    const Win32HidCalls m_calls;
    HANDLE m_handle;
    QString m_serial;
    int m_inputLength;
    int m_outputLength;
    HANDLE m_readEvent = nullptr;   // auto-reset
    HANDLE m_writeEvent = nullptr;  // auto-reset
    HANDLE m_cancelEvent = nullptr; // manual-reset: set once, before the connection closes
    OVERLAPPED m_readOverlapped{};
    OVERLAPPED m_writeOverlapped{};
    QByteArray m_readBuffer;
    QByteArray m_writeBuffer;
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_stuck{false}; // a transfer would not finish: the handle is given up
};
