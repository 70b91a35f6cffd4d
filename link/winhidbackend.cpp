#include "winhidbackend.h"
#include "winhidconnection.h"

#include <QHash>
#include <cstddef>
#include <cwchar>
#include <memory>

namespace {

// Longest interface detail record taken; a real one is a few hundred bytes.
constexpr DWORD MaxDetailBytes = 64 * 1024;

HidBackend::OpenError openError(DWORD code)
{
    switch (code) {
    case ERROR_SHARING_VIOLATION:
        return HidBackend::OpenError::Busy;
    case ERROR_ACCESS_DENIED:
        return HidBackend::OpenError::PermissionDenied;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEVICE_NOT_CONNECTED:
        return HidBackend::OpenError::NotFound;
    default:
        return HidBackend::OpenError::Failed;
    }
}

} // namespace

HidBackend *HidBackend::system()
{
    static WinHidBackend backend;
    return &backend;
}

WinHidBackend::WinHidBackend(const Win32HidCalls &calls) : m_calls(calls) {}

bool WinHidBackend::pathMatches(const QString &path, quint16 vendorId, quint16 productId)
{
    const QString id = QStringLiteral("vid_%1&pid_%2")
                           .arg(vendorId, 4, 16, QLatin1Char('0'))
                           .arg(productId, 4, 16, QLatin1Char('0'));
    return path.contains(id, Qt::CaseInsensitive);
}

QStringList WinHidBackend::interfacePaths() const
{
    GUID hid{};
    m_calls.getHidGuid(&hid);
    const HDEVINFO set =
        m_calls.getClassDevs(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return {};
    QStringList paths;
    for (DWORD index = 0; index < MaxInterfaces; ++index) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!m_calls.enumDeviceInterfaces(set, nullptr, &hid, index, &data))
            break; // no more interfaces
        DWORD required = 0;
        m_calls.getDeviceInterfaceDetail(set, &data, nullptr, 0, &required, nullptr);
        const DWORD header = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
        if (required <= header || required > MaxDetailBytes) {
            paths << QString();
            continue;
        }
        // The record is aligned as the system lays it out.
        auto buffer = std::make_unique<DWORD[]>(required / sizeof(DWORD) + 1);
        auto *detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer.get());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!m_calls.getDeviceInterfaceDetail(set, &data, detail, required, nullptr, nullptr)) {
            paths << QString();
            continue;
        }
        const size_t chars = (required - header) / sizeof(wchar_t);
        paths << QString::fromWCharArray(detail->DevicePath,
                                         static_cast<int>(wcsnlen(detail->DevicePath, chars)));
    }
    m_calls.destroyDeviceInfoList(set);
    return paths;
}

HANDLE WinHidBackend::openHandle(const QString &path, DWORD access, DWORD share, DWORD *error) const
{
    const HANDLE handle = m_calls.createFile(reinterpret_cast<LPCWSTR>(path.utf16()), access, share,
                                             nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    *error = handle == INVALID_HANDLE_VALUE ? m_calls.getLastError() : ERROR_SUCCESS;
    return handle;
}

bool WinHidBackend::readSerial(HANDLE handle, QString &serial) const
{
    wchar_t text[SerialChars + 1] = {};
    if (!m_calls.getSerialNumberString(handle, text, SerialChars * sizeof(wchar_t)))
        return false;
    serial = QString::fromWCharArray(text, static_cast<int>(wcsnlen(text, SerialChars)));
    return true;
}

bool WinHidBackend::hasIdentity(HANDLE handle, quint16 vendorId, quint16 productId) const
{
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    return m_calls.getAttributes(handle, &attributes) && attributes.VendorID == vendorId &&
           attributes.ProductID == productId;
}

void WinHidBackend::readReportLengths(HANDLE handle, int &input, int &output) const
{
    input = 0;
    output = 0;
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!m_calls.getPreparsedData(handle, &preparsed))
        return;
    HIDP_CAPS caps{};
    if (m_calls.getCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS) {
        input = caps.InputReportByteLength;
        output = caps.OutputReportByteLength;
    }
    m_calls.freePreparsedData(preparsed);
}

QList<HidDeviceInfo> WinHidBackend::enumerate(quint16 vendorId, quint16 productId)
{
    QList<HidDeviceInfo> found;
    QHash<QString, int> interfacesOf;
    for (const QString &path : interfacePaths()) {
        if (!pathMatches(path, vendorId, productId))
            continue;
        // A handle for queries only: it opens even while another program holds the interface.
        DWORD error = 0;
        const HANDLE probe = openHandle(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, &error);
        if (probe == INVALID_HANDLE_VALUE)
            continue;
        HidDeviceInfo info;
        const bool usable =
            hasIdentity(probe, vendorId, productId) && readSerial(probe, info.serial);
        m_calls.closeHandle(probe);
        if (!usable)
            continue;
        info.path = path;
        info.vendorId = vendorId;
        info.productId = productId;
        info.interfaceNumber = interfacesOf[info.serial]++;
        found << info;
    }
    return found;
}

std::unique_ptr<HidConnection> WinHidBackend::open(const QString &path, OpenError *error)
{
    const auto fail = [error](OpenError why) {
        if (error)
            *error = why;
        return std::unique_ptr<HidConnection>();
    };
    const DWORD access = GENERIC_READ | GENERIC_WRITE;
    DWORD code = 0;
    HANDLE handle = openHandle(path, access, 0, &code);
    if (handle == INVALID_HANDLE_VALUE && code == ERROR_SHARING_VIOLATION)
        handle = openHandle(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &code);
    if (handle == INVALID_HANDLE_VALUE)
        return fail(openError(code));

    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    QString serial;
    // The interface must still be the one its path names.
    if (!m_calls.getAttributes(handle, &attributes) ||
        !pathMatches(path, attributes.VendorID, attributes.ProductID) ||
        !readSerial(handle, serial)) {
        m_calls.closeHandle(handle);
        return fail(OpenError::NotFound);
    }
    int input = 0;
    int output = 0;
    readReportLengths(handle, input, output);
    m_calls.setNumInputBuffers(handle, InputBuffers); // the default is kept where refused
    auto connection = std::make_unique<WinHidConnection>(handle, serial, input, output, m_calls);
    if (!connection->isUsable())
        return fail(OpenError::Failed);
    if (error)
        *error = OpenError::None;
    return connection;
}
