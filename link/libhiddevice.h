#pragma once

#include "hidbackend.h"

#include <QByteArray>
#include <atomic>
#include <memory>

class HidConnection;

// Carries the protocol byte stream in HID reports: identifier 0x3F, payload length,
// at most 62 payload bytes, padding. Payload bytes beyond what a caller asked for
// are kept for the next Read.
//
// With draining on, a thread of its own reads every input report as it comes into a
// buffer that Read then serves, so the system's few report slots per open device cannot
// overflow while the reading thread is held up. Read, Write and IsRemoved behave the same
// either way; the thread stops with Close. Only with draining can another thread wait for
// input (WaitForInput) while one reads.
class libHidDevice
{
public:
    static constexpr quint8 ReportId = 0x3F;
    static constexpr int MaxPayload = 62;
    static constexpr int DefaultTimeoutMs = 50;
    // The drain's wait for one report while the link is in use: short, since a write on a
    // real device waits for the handle until the wait (or its connection's slice) ends.
    static constexpr int DrainWaitMs = 20;
    // Once nothing has come or gone for DrainIdleAfterMs, it waits this long: a quiet link
    // then costs one wake-up a second. A close ends the wait at once (cancelRead()).
    static constexpr int DrainIdleWaitMs = 1000;
    static constexpr int DrainIdleAfterMs = 1000;
    // Reports the drain keeps for a reader that does not come; beyond it the oldest go.
    static constexpr int DrainCapacity = 16384;

    libHidDevice();
    virtual ~libHidDevice();
    libHidDevice(const libHidDevice &) = delete;
    libHidDevice &operator=(const libHidDevice &) = delete;

    // 0 on success, -1 when no matching instrument could be opened.
    int Open(quint16 vendorId, quint16 productId);
    virtual void Close();
    // Delivers up to `length` payload bytes; returns how many (0: closed or nothing arrived).
    virtual int Read(char *destination, int length, int timeoutMs);
    // As Read, but once the first payload bytes are in it returns what has already arrived
    // instead of waiting for more: `timeoutMs` bounds the wait for the first report only.
    virtual int ReadAvailable(char *destination, int length, int timeoutMs);
    // With draining: waits up to `timeoutMs` for input to read, without taking any; true
    // when some waits. False at once when nothing is open or the device has gone, and when
    // WakeInputWaiters() was called (since the last wait). Safe beside a Read on another
    // thread. Without draining it cannot tell and returns true at once.
    bool WaitForInput(int timeoutMs);
    // Ends a WaitForInput now; one that starts later returns at once, once.
    void WakeInputWaiters();
    // Sends `length` bytes; returns `length` when every report went out, 0 otherwise.
    virtual int Write(const char *source, int length, int timeoutMs);
    // True once the instrument has gone (or nothing is open). Consumes no input.
    virtual bool IsRemoved() const;

    bool IsOpen() const;
    // Takes effect with the next Open. Off by default.
    void setDraining(bool on) { m_draining = on; }
    HidBackend::OpenError lastOpenError() const { return m_lastOpenError; }

private:
    struct Drain;
    struct DeviceRecord {
        std::unique_ptr<HidConnection> connection;
        bool open = false;
        int readTimeout = DefaultTimeoutMs;
        int writeTimeout = DefaultTimeoutMs;
        int inputReportLength = 0;
        int outputReportLength = 0;
        QByteArray leftover;
        std::atomic<bool> hasLeftover{false}; // read by WaitForInput beside a Read
        std::unique_ptr<Drain> drain;         // stopped before the connection goes
    };

    // One input report, as HidConnection::readReport returns it, from the drain or the device.
    int nextReport(DeviceRecord &record, QByteArray &report, int timeoutMs);
    int read(char *destination, int length, int timeoutMs, bool untilQuiet);

    std::unique_ptr<DeviceRecord> m_record;
    bool m_open = false;
    bool m_draining = false;
    HidBackend::OpenError m_lastOpenError = HidBackend::OpenError::None;
};
