#include "winhidapibackend.h"
#include "hidapiconnection.h"

HidBackend *HidBackend::system()
{
    static WinHidApiBackend hidapi;
    return &hidapi;
}

WinHidApiBackend::WinHidApiBackend(const HidApiCalls &hid) : m_hid(hid)
{
    m_initialised = m_hid.init() == 0;
}

WinHidApiBackend::~WinHidApiBackend()
{
    if (m_initialised)
        m_hid.exit();
}

QList<HidDeviceInfo> WinHidApiBackend::enumerate(quint16 vendorId, quint16 productId)
{
    return m_initialised ? m_hid.devices(vendorId, productId) : QList<HidDeviceInfo>();
}

std::unique_ptr<HidConnection> WinHidApiBackend::open(const QString &path, OpenError *error)
{
    hid_device_ *device = m_initialised ? m_hid.openPath(path.toLocal8Bit().constData()) : nullptr;
    if (error)
        *error = device ? OpenError::None : OpenError::Failed;
    if (!device)
        return nullptr;
    wchar_t serial[64] = {};
    QString serialText;
    if (m_hid.getSerialNumberString(device, serial, 63) == 0)
        serialText = QString::fromWCharArray(serial);
    return std::make_unique<HidApiConnection>(device, serialText, m_hid);
}
