#pragma once

#include "hidbackend.h"

#include <QByteArray>
#include <memory>

class HidConnection;

// Carries the protocol byte stream in HID reports: identifier 0x3F, payload length,
// at most 62 payload bytes, padding. Payload bytes beyond what a caller asked for
// are kept for the next Read.
class libHidDevice
{
public:
    static constexpr quint8 ReportId = 0x3F;
    static constexpr int MaxPayload = 62;
    static constexpr int DefaultTimeoutMs = 50;

    libHidDevice();
    virtual ~libHidDevice();
    libHidDevice(const libHidDevice &) = delete;
    libHidDevice &operator=(const libHidDevice &) = delete;

    // 0 on success, -1 when no matching instrument could be opened.
    int Open(quint16 vendorId, quint16 productId);
    virtual void Close();
    // Delivers up to `length` payload bytes; returns how many (0: closed or nothing arrived).
    virtual int Read(char *destination, int length, int timeoutMs);
    // Sends `length` bytes; returns `length` when every report went out, 0 otherwise.
    virtual int Write(const char *source, int length, int timeoutMs);
    // True once the instrument has gone (or nothing is open). Consumes no input.
    virtual bool IsRemoved() const;

    bool IsOpen() const;
    HidBackend::OpenError lastOpenError() const { return m_lastOpenError; }

private:
    struct DeviceRecord {
        std::unique_ptr<HidConnection> connection;
        bool open = false;
        int readTimeout = DefaultTimeoutMs;
        int writeTimeout = DefaultTimeoutMs;
        int inputReportLength = 0;
        int outputReportLength = 0;
        QByteArray leftover;
    };

    std::unique_ptr<DeviceRecord> m_record;
    bool m_open = false;
    HidBackend::OpenError m_lastOpenError = HidBackend::OpenError::None;
};
