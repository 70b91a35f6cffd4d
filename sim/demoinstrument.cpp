#include "demoinstrument.h"

#include <QDate>
#include <QtMath>

namespace {

// A clear-sky day under a UV lamp bench: a smooth rise and fall with a little ripple.
QVector<float> irradianceCurve(int samples, float peak, float phase)
{
    QVector<float> values;
    values.reserve(samples);
    for (int i = 0; i < samples; ++i) {
        const double x = static_cast<double>(i) / qMax(1, samples - 1);
        const double envelope = qSin(M_PI * x);
        const double ripple = 0.03 * qSin(37.0 * x + phase) + 0.015 * qSin(91.0 * x + 2 * phase);
        values.append(static_cast<float>(qMax(0.0, peak * envelope * (1.0 + ripple))));
    }
    return values;
}

// An instrument of `family` with its identity: serial, production and calibration day, firmware.
VirtualInstrument *withIdentity(VirtualInstrument::Family family, quint32 modelCode, quint32 serial,
                                QDate produced, QDate calibrated, QObject *parent)
{
    auto *instrument = new VirtualInstrument(family, modelCode, parent);
    instrument->setSerialNumber(serial);
    instrument->setProductionDate(produced.year(), produced.month(), produced.day());
    instrument->setCalibrationDate(calibrated.year(), calibrated.month(), calibrated.day());
    instrument->setFirmwareVersion(23);
    return instrument;
}

} // namespace

VirtualInstrument *DemoInstrument::create(const QString &name, QObject *parent)
{
    if (name == QLatin1String("meter"))
        return createMeter(parent);
    if (name == QLatin1String("logger"))
        return createLogger(parent);
    return nullptr;
}

VirtualInstrument *DemoInstrument::createMeter(QObject *parent)
{
    auto *meter = withIdentity(VirtualInstrument::Family::Meter, 7001297, 21070415,
                               QDate(2021, 7, 12), QDate(2026, 3, 2), parent);
    meter->setMeterGroups({
        // Energy is AVG × duration in the matching unit, as a real run gives it.
        {1523.4f, 1610.2f, 1488.9f, 1540.7f, 1232.5f, 0.8f},
        {2210.8f, 2290.1f, 2150.3f, 2221.6f, 3310.0f, 1.49f},
        {987.2f, 1012.9f, 960.4f, 985.0f, 295.5f, 0.3f},
        {3120.6f, 3305.5f, 2999.8f, 3150.2f, 9450.6f, 3.0f},
    });
    return meter;
}

VirtualInstrument *DemoInstrument::createLogger(QObject *parent)
{
    auto *logger = withIdentity(VirtualInstrument::Family::Logger, 5633416, 22110416,
                                QDate(2022, 11, 3), QDate(2026, 4, 18), parent);
    const QDate today = QDate::currentDate();
    logger->setRecordings({
        {QDateTime(today.addDays(-2), QTime(9, 15, 0)), irradianceCurve(420, 5230.0f, 0.0f)},
        {QDateTime(today.addDays(-1), QTime(13, 40, 30)), irradianceCurve(300, 3875.0f, 1.3f)},
        {QDateTime(today, QTime(8, 5, 10)), irradianceCurve(560, 6120.0f, 2.1f)},
    });
    return logger;
}
