#pragma once

#include "hidbackend.h"
#include "win32hidcalls.h"

#include <QStringList>

// Real instruments on Windows: the HID class's interfaces from SetupAPI, matched by the
// "vid_xxxx&pid_xxxx" in their paths, opened for overlapped I/O (WinHidConnection).
class WinHidBackend : public HidBackend
{
public:
    // Interface indices looked at; later ones never match.
    static constexpr DWORD MaxInterfaces = 128;
    // Input reports the driver queues per handle: its largest, so that none is lost while
    // the reading thread is held up. A download sends up to a report a millisecond: the
    // default 32 would overflow after 32 ms, 512 holds half a second.
    static constexpr ULONG InputBuffers = 512;
    // Wide characters of a serial-number string.
    static constexpr int SerialChars = 40;

    explicit WinHidBackend(const Win32HidCalls &calls = Win32HidCalls::system());

    // Every matching interface whose serial number can be read, in index order; the
    // interface number counts the interfaces of one serial.
    QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override;
    // Exclusive first (ours alone, what flock is on Linux); where another program shares
    // the interface, shared as it does. Busy when another program holds it for itself.
    std::unique_ptr<HidConnection> open(const QString &path, OpenError *error = nullptr) override;

    static bool pathMatches(const QString &path, quint16 vendorId, quint16 productId);

private:
    // The device paths of the present HID interfaces by index; empty where one is unreadable.
    QStringList interfacePaths() const;
    HANDLE openHandle(const QString &path, DWORD access, DWORD share, DWORD *error) const;
    bool readSerial(HANDLE handle, QString &serial) const;
    bool hasIdentity(HANDLE handle, quint16 vendorId, quint16 productId) const;
    void readReportLengths(HANDLE handle, int &input, int &output) const;

    Win32HidCalls m_calls;
};
