#pragma once

#include <QList>
#include <QString>
#include <memory>

class HidConnection;

// One HID interface that matches a vendor / product pair.
struct HidDeviceInfo {
    QString path;
    QString serial;
    int interfaceNumber = 0;
    quint16 vendorId = 0;
    quint16 productId = 0;
};

// The system's HID access below libHidDevice. The program picks one backend at
// start-up: hidapi for real instruments, the virtual instrument for tests and demos.
class HidBackend
{
public:
    enum class OpenError { None, NotFound, PermissionDenied, Busy, Failed };

    virtual ~HidBackend() = default;

    virtual QList<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) = 0;
    // Opens the interface at `path`; null on failure, with the reason in `error`.
    virtual std::unique_ptr<HidConnection> open(const QString &path,
                                                OpenError *error = nullptr) = 0;

    // The backend in use; the system's when none has been set. Not owned.
    static HidBackend *current();
    // Real instruments through the system's HID interface (each system's backend file).
    static HidBackend *system();
    static void setCurrent(HidBackend *backend);
};
