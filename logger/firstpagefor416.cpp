#include "firstpagefor416.h"
#include "instrumentprotocol.h"

#include <QLabel>
#include <QVBoxLayout>

FirstPageFor416::FirstPageFor416(QWidget *parent)
    : QWidget(parent), m_title(new QLabel(this)), m_device(new QLabel(this))
{
    setObjectName(QStringLiteral("FirstPageFor416"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_device);
    layout->addStretch();
    m_device->setObjectName(QStringLiteral("serialNoEdit"));
    languageChange();
}

FirstPageFor416::~FirstPageFor416() = default;

void FirstPageFor416::languageChange()
{
    m_title->setText(tr("Data logger"));
}

int FirstPageFor416::refreshDevice()
{
    ProductionInfo info;
    if (InstrumentProtocol::instance()->ReadProductionInfo(info) != 1)
        return -1;
    modelCode = info.modelCode;
    m_device->setText(QString::number(info.serialNumber));
    return 1;
}

QString FirstPageFor416::deviceSummary() const
{
    return m_device->text();
}

void FirstPageFor416::clear()
{
    m_device->clear();
}
