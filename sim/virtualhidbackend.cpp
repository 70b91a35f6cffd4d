#include "virtualhidbackend.h"

#include "virtualhidconnection.h"
#include "virtualinstrument.h"

namespace {
constexpr quint16 kVendorId = 0x2047;
constexpr quint16 kProductId = 0x0301;
const QString kPathPrefix = QStringLiteral("virtual:");

void setError(HidBackend::OpenError *error, HidBackend::OpenError value)
{
    if (error)
        *error = value;
}
} // namespace

VirtualHidBackend::VirtualHidBackend(VirtualInstrument *instrument) : m_instrument(instrument) {}

void VirtualHidBackend::setInstrument(VirtualInstrument *instrument)
{
    m_instrument = instrument;
}

VirtualInstrument *VirtualHidBackend::instrument() const
{
    return m_instrument.data();
}

QList<HidDeviceInfo> VirtualHidBackend::enumerate(quint16 vendorId, quint16 productId)
{
    VirtualInstrument *instrument = m_instrument.data();
    if (!instrument || !instrument->isPlugged() || vendorId != kVendorId || productId != kProductId)
        return {};
    HidDeviceInfo info;
    info.path = kPathPrefix + QString::number(instrument->generation());
    info.serial = instrument->usbSerial();
    info.interfaceNumber = 0;
    info.vendorId = vendorId;
    info.productId = productId;
    return {info};
}

std::unique_ptr<HidConnection> VirtualHidBackend::open(const QString &path, OpenError *error)
{
    setError(error, OpenError::NotFound);
    VirtualInstrument *instrument = m_instrument.data();
    if (!instrument || !path.startsWith(kPathPrefix))
        return nullptr;
    bool ok = false;
    const quint64 generation = path.mid(kPathPrefix.size()).toULongLong(&ok);
    if (!ok || !instrument->isPlugged() || generation != instrument->generation())
        return nullptr;
    bool permissionDenied = false;
    if (instrument->openRefused(&permissionDenied)) {
        setError(error, permissionDenied ? OpenError::PermissionDenied : OpenError::Busy);
        return nullptr;
    }
    setError(error, OpenError::None);
    return std::make_unique<VirtualHidConnection>(instrument, generation);
}
