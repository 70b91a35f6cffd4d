#include "cliinstrument.h"

#include "clinkerusb.h"
#include "demoinstrument.h"
#include "instrumentmodels.h"
#include "instrumentprotocol.h"
#include "instrumentwire.h"
#include "productioninfo.h"
#include "virtualinstrument.h"

CliInstrument::CliInstrument(const QString &demo)
{
    if (!demo.isEmpty()) {
        m_demo.reset(DemoInstrument::create(demo, nullptr));
        m_backend.setInstrument(m_demo.get());
        HidBackend::setCurrent(&m_backend);
    }
    FrameExchange::setCurrent(&m_exchange);
}

CliInstrument::~CliInstrument()
{
    if (m_link)
        m_link->Close();
    m_exchange.setLink(nullptr);
    FrameExchange::setCurrent(nullptr);
    if (m_demo)
        HidBackend::setCurrent(nullptr);
}

bool CliInstrument::removed() const
{
    return !m_link || m_link->IsRemoved();
}

QString CliInstrument::failureText(int code)
{
    switch (code) {
    case InstrumentProtocol::NoProbe:
        return QCoreApplication::translate("FirstPageFor415", "No probe connection!");
    case InstrumentProtocol::BadBlock:
        return QCoreApplication::translate(
            "FirstPageFor416", "The instrument is not configured production information!");
    case InstrumentProtocol::NotSent:
        return tr("The request could not be sent to the instrument.");
    default:
        return tr("The instrument does not answer as it should.");
    }
}

bool CliInstrument::open(QString *error)
{
    auto link = std::make_unique<CLinkerUSB>();
    if (link->Open(InstrumentWire::VendorId, InstrumentWire::ProductId) != 0) {
        *error =
            link->lastOpenError() == HidBackend::OpenError::PermissionDenied
                ? QCoreApplication::translate(
                      "MainWindow",
                      "The instrument is connected, but this user may not open it.\n"
                      "Install the udev rule of Solvane (70-solvane.rules, part of the "
                      "package), then unplug the instrument and plug it in again.")
                : QCoreApplication::translate("FirstPageFor416", "please Connecting instrument!");
        return false;
    }
    m_link = std::move(link);
    m_exchange.setLink(m_link.get());

    InstrumentProtocol *protocol = InstrumentProtocol::instance();
    ProductionInfo info;
    int code = protocol->ReadProductionInfo(info);
    if (code != InstrumentProtocol::Ok) {
        *error = failureText(code);
        return false;
    }
    const InstrumentModels::Family family = InstrumentModels::familyOf(info.modelCode);
    const bool logger = family == InstrumentModels::Logger;
    m_identity.family = logger ? Recording::Family::Logger : Recording::Family::Meter;
    m_identity.serial = QString::number(info.serialNumber);
    m_identity.modelCode = info.modelCode;
    m_identity.modelName = InstrumentModels::name(info.modelCode, family);
    m_identity.productionDate = info.productionDate;
    // The logger's page shows what it could read; the meter's needs all three.
    code = protocol->ReadCalibrationDate(m_identity.calibrationDate);
    int version = 0;
    if (code == InstrumentProtocol::Ok)
        code = protocol->ReadFirmwareVersion(version);
    if (code == InstrumentProtocol::Ok)
        m_identity.firmware = QString::number(version / 10.0, 'f', 1);
    else if (!logger) {
        *error = failureText(code);
        return false;
    }
    return true;
}
