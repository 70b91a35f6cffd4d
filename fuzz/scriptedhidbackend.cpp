#include "scriptedhidbackend.h"
#include "fuzzcheck.h"
#include "scriptedhidconnection.h"

ScriptedHidBackend &ScriptedHidBackend::installed()
{
    static ScriptedHidBackend backend;
    static const bool quiet = (quietMessages(), true);
    Q_UNUSED(quiet);
    HidBackend::setCurrent(&backend);
    return backend;
}

void ScriptedHidBackend::setScript(const QByteArray &script)
{
    m_script = script;
}

ScriptedHidConnection *ScriptedHidBackend::connection() const
{
    return m_connection;
}

QList<HidDeviceInfo> ScriptedHidBackend::enumerate(quint16 vendorId, quint16 productId)
{
    if (vendorId != VendorId || productId != ProductId)
        return {};
    HidDeviceInfo info;
    info.path = QStringLiteral("scripted");
    info.serial = QStringLiteral("fuzz");
    info.vendorId = VendorId;
    info.productId = ProductId;
    return {info};
}

std::unique_ptr<HidConnection> ScriptedHidBackend::open(const QString &, OpenError *error)
{
    if (error)
        *error = OpenError::None;
    auto connection = std::make_unique<ScriptedHidConnection>(m_script);
    m_connection = connection.get();
    return connection;
}
