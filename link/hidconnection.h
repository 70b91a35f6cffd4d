#pragma once

#include <QByteArray>

// An opened HID interface moving whole reports; the first byte of a report is its identifier.
// Reads come from one thread at a time, writes from another; isRemoved() may be called
// from any thread while a read is waiting.
class HidConnection
{
public:
    virtual ~HidConnection() = default;

    // Sends one output report. Returns the bytes written, or -1 on failure or time-out.
    virtual int writeReport(const QByteArray &report, int timeoutMs) = 0;
    // Waits up to timeoutMs for one input report and stores it in `report`.
    // Returns its length, 0 when none arrived in time, -1 when the device failed.
    virtual int readReport(QByteArray &report, int timeoutMs) = 0;
    // True once the device has gone. Never consumes input.
    virtual bool isRemoved() const = 0;
    // Called from another thread before the connection closes: a waiting read and every
    // later one return 0 soon instead of waiting out their time.
    virtual void cancelRead() {}
    virtual QString serialNumber() const = 0;

    virtual int inputReportLength() const { return 64; }
    virtual int outputReportLength() const { return 64; }
};
