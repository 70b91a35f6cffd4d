#include "uvpowercurvepagefor416.h"
#include "firstpagefor416.h"
#include "ui_uvpowercurvepagefor416.h"

#include <QDebug>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int kStartTimeBytes = 6;
constexpr int kSampleBytes = 4;

const QCP::Interactions kInteractions = QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables;

} // namespace

UVPowerCurvePageFor416::UVPowerCurvePageFor416(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::UVPowerCurvePageFor416>())
{
    setUp();
}

UVPowerCurvePageFor416::UVPowerCurvePageFor416(const QByteArray &group, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::UVPowerCurvePageFor416>()), m_given(true),
      m_group(group)
{
    setUp();
}

void UVPowerCurvePageFor416::setUp()
{
    ui->setupUi(this);
    ui->customPlot->addGraph();
    ui->customPlot->xAxis->setRange(1, 61440);
    ui->customPlot->yAxis->setRange(0, 600);
    on_btnUpdateCurve_clicked();
    connect(ui->autosetBtn, &QPushButton::clicked, this, &UVPowerCurvePageFor416::autoset_yaxis);
}

UVPowerCurvePageFor416::~UVPowerCurvePageFor416() = default;

QVector<double> UVPowerCurvePageFor416::samplesOf(const QByteArray &group)
{
    QVector<double> samples;
    if (group.size() < kStartTimeBytes + kSampleBytes)
        return samples;
    const qsizetype count = (group.size() - kStartTimeBytes) / kSampleBytes;
    samples.reserve(count);
    const char *bytes = group.constData() + kStartTimeBytes;
    for (qsizetype i = 0; i < count; ++i) {
        const quint32 bits = qFromLittleEndian<quint32>(bytes + i * kSampleBytes);
        float value;
        static_assert(sizeof value == sizeof bits, "samples are IEEE-754 single precision");
        std::memcpy(&value, &bits, sizeof value);
        samples.append(double(value));
    }
    return samples;
}

void UVPowerCurvePageFor416::showSamples(QCustomPlot *plot, const QByteArray &group)
{
    if (!plot)
        return;
    QVector<double> values = samplesOf(group);
    QVector<double> keys(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        keys[i] = double(i);
        // The plot skips NaN when it fits its axes, but an infinity would leave them unfittable.
        if (!std::isfinite(values[i]))
            values[i] = std::numeric_limits<double>::quiet_NaN();
    }
    if (plot->graphCount() == 0)
        plot->addGraph();
    plot->graph(0)->setData(keys, values);
    plot->replot();
    plot->setInteractions(kInteractions);
    fitAxes(plot);
    plot->replot();
    plot->setInteractions(kInteractions);
}

void UVPowerCurvePageFor416::fitAxes(QCustomPlot *plot)
{
    if (plot)
        plot->rescaleAxes(false);
}

void UVPowerCurvePageFor416::on_btnUpdateCurve_clicked()
{
    recordData.clear();
    if (m_given)
        recordData.append(m_group);
    else if (const auto *page = qobject_cast<FirstPageFor416 *>(parentWidget()))
        recordData.append(page->GetPowerData());
    qDebug("on_btnUpdateCurve_clicked= %d\n", int(recordData.size()));
    showSamples(ui->customPlot, recordData);
}

void UVPowerCurvePageFor416::on_btnClearCurve_clicked()
{
    QCustomPlot *customPlot = ui->customPlot;
    customPlot->clearGraphs();
    customPlot->replot();
    customPlot->setInteractions(kInteractions);
    customPlot->addGraph();
    customPlot->xAxis->setRange(1, 61440);
    customPlot->yAxis->setRange(0, 600);
    on_btnUpdateCurve_clicked();
}

void UVPowerCurvePageFor416::autoset_yaxis()
{
    fitAxes(ui->customPlot);
    ui->customPlot->replot();
    ui->customPlot->setInteractions(kInteractions);
}
