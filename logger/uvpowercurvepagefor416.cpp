#include "uvpowercurvepagefor416.h"
#include "firstpagefor416.h"
#include "plotsvg.h"
#include "ui_uvpowercurvepagefor416.h"

#include "dose.h"
#include "exportfolder.h"
#include "filechoice.h"
#include "processwindowstore.h"
#include "userprompts.h"
#include "verdict.h"
#include "windowgeometry.h"

#include <QDebug>
#include <QDir>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int kStartTimeBytes = 6;
constexpr int kSampleBytes = 4;
constexpr int kSecondsPerDay = 86400;

const QCP::Interactions kInteractions = QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables;

// The instrument's clock carries no time zone: read as UTC it runs evenly through a
// daylight-saving change of the computer's zone.
double clockKey(const QDateTime &start)
{
    return QCPAxisTickerDateTime::dateTimeToKey(QDateTime(start.date(), start.time(), Qt::UTC));
}

double stepOf(const Recording &recording)
{
    return recording.intervalSeconds > 0 ? recording.intervalSeconds : 1;
}

void setInitialRanges(QCustomPlot *plot)
{
    plot->xAxis->setRange(1, 61440);
    plot->yAxis->setRange(0, 600);
}

// Ticks and labels of both axes; the x ticks start at the recording's first sample.
void labelAxes(QCustomPlot *plot, const Recording &recording, UVPowerCurvePageFor416::TimeAxis axis)
{
    using TimeAxis = UVPowerCurvePageFor416::TimeAxis;
    const double origin = UVPowerCurvePageFor416::keyOf(recording, 0, axis);
    if (axis == TimeAxis::Clock && UVPowerCurvePageFor416::hasClock(recording)) {
        auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
        ticker->setDateTimeSpec(Qt::UTC);
        const double span = double(recording.sampleCount()) * stepOf(recording);
        ticker->setDateTimeFormat(span > kSecondsPerDay ? QStringLiteral("MM-dd\nhh:mm")
                                                        : QStringLiteral("hh:mm:ss"));
        ticker->setTickOrigin(origin);
        plot->xAxis->setTicker(ticker);
        plot->xAxis->setLabel(UVPowerCurvePageFor416::tr("Time"));
    } else {
        auto ticker = QSharedPointer<QCPAxisTicker>::create();
        ticker->setTickOrigin(origin);
        plot->xAxis->setTicker(ticker);
        plot->xAxis->setLabel(recording.intervalSeconds > 0 ? UVPowerCurvePageFor416::tr("Time (s)")
                                                            : UVPowerCurvePageFor416::tr("Sample"));
    }
    plot->yAxis->setLabel(UVPowerCurvePageFor416::tr("Irradiance (uW/cm²)"));
}

} // namespace

UVPowerCurvePageFor416::UVPowerCurvePageFor416(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::UVPowerCurvePageFor416>())
{
    setUp();
}

UVPowerCurvePageFor416::UVPowerCurvePageFor416(const Recording &recording, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::UVPowerCurvePageFor416>()), m_given(true),
      m_recording(counted(recording))
{
    setUp();
}

void UVPowerCurvePageFor416::setUp()
{
    ui->setupUi(this);
    QCustomPlot *plot = ui->customPlot;
    plot->addGraph();
    setInitialRanges(plot);
    // Mouse moves without a button held move the readout.
    plot->setMouseTracking(true);
    m_tracer = new QCPItemTracer(plot);
    m_tracer->setStyle(QCPItemTracer::tsCircle);
    m_tracer->setSize(9);
    m_tracer->setPen(QPen(Qt::red, 1.5));
    m_tracer->setVisible(false);
    on_btnUpdateCurve_clicked();
    connect(ui->autosetBtn, &QPushButton::clicked, this, &UVPowerCurvePageFor416::autoset_yaxis);
    connect(ui->clockTimeBox, &QCheckBox::toggled, this,
            [this](bool clock) { setTimeAxis(clock ? TimeAxis::Clock : TimeAxis::Seconds); });
    connect(ui->saveImageBtn, &QPushButton::clicked, this, &UVPowerCurvePageFor416::saveImageAs);
    connect(plot, &QCustomPlot::mouseMove, this, &UVPowerCurvePageFor416::followMouse);
    WindowGeometry::keep(this, QStringLiteral("curve"));
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

bool UVPowerCurvePageFor416::hasClock(const Recording &recording)
{
    return recording.startTime.isValid() && recording.intervalSeconds > 0;
}

double UVPowerCurvePageFor416::keyOf(const Recording &recording, int index, TimeAxis axis)
{
    const double offset = double(index) * stepOf(recording);
    if (axis == TimeAxis::Clock && hasClock(recording))
        return clockKey(recording.startTime) + offset;
    return offset;
}

Recording UVPowerCurvePageFor416::counted(const Recording &recording)
{
    Recording result = recording;
    if (recording.samples.isEmpty() && recording.listedSampleCount > 0)
        return result;
    const Dose dose = Dose::of(recording);
    result.doseUjCm2 = dose.microjoulesPerCm2;
    result.doseFlagged = dose.flagged;
    // A sample that is not a number leaves the table's maximum undefined; the peak a process
    // window checks is that of the samples that are numbers (0 where none is).
    if (!std::isfinite(result.powerMax)) {
        double peak = -std::numeric_limits<double>::infinity();
        for (int i = 0; i < recording.samples.size() / kSampleBytes; ++i) {
            const double value = recording.sample(i);
            if (std::isfinite(value))
                peak = std::max(peak, value);
        }
        result.powerMax = std::isfinite(peak) ? peak : 0;
    }
    return result;
}

void UVPowerCurvePageFor416::showRecording(QCustomPlot *plot, const Recording &recording,
                                           TimeAxis axis)
{
    if (!plot)
        return;
    QVector<double> values = samplesOf(QByteArray(kStartTimeBytes, '\0') + recording.samples);
    QVector<double> keys(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        keys[i] = keyOf(recording, int(i), axis);
        // The plot skips NaN when it fits its axes, but an infinity would leave them unfittable.
        if (!std::isfinite(values[i]))
            values[i] = std::numeric_limits<double>::quiet_NaN();
    }
    if (plot->graphCount() == 0)
        plot->addGraph();
    plot->graph(0)->setData(keys, values, true);
    labelAxes(plot, recording, axis);
    plot->setInteractions(kInteractions);
    fitAxes(plot);
    plot->replot();
}

void UVPowerCurvePageFor416::fitAxes(QCustomPlot *plot)
{
    if (plot)
        plot->rescaleAxes(false);
}

void UVPowerCurvePageFor416::setTimeAxis(TimeAxis axis)
{
    m_axis = axis == TimeAxis::Clock && hasClock(m_recording) ? TimeAxis::Clock : TimeAxis::Seconds;
    {
        const QSignalBlocker blocker(ui->clockTimeBox);
        ui->clockTimeBox->setChecked(m_axis == TimeAxis::Clock);
    }
    redraw();
}

void UVPowerCurvePageFor416::redraw()
{
    ui->clockTimeBox->setEnabled(hasClock(m_recording));
    if (!hasClock(m_recording))
        m_axis = TimeAxis::Seconds;
    showRecording(ui->customPlot, m_recording, m_axis);
    m_tracer->setVisible(false);
    ui->readoutLab->clear();
    ui->customPlot->replot();
    showResults();
}

void UVPowerCurvePageFor416::showResults()
{
    const QString dose = Dose::text(m_recording.doseUjCm2);
    if (m_recording.doseFlagged) {
        ui->doseLab->setText(tr("Dose: %1").arg(tr("%1 (flagged)").arg(dose)));
        ui->doseLab->setToolTip(tr("Some samples were not numbers, there were none, or the "
                                   "interval was 0: the dose counts only what could be counted."));
    } else {
        ui->doseLab->setText(tr("Dose: %1").arg(dose));
        ui->doseLab->setToolTip(QString());
    }
    ProcessWindow window;
    if (ProcessWindowStore::chosen(window)) {
        ui->verdictLab->setText(
            tr("Process window %1: %2").arg(window.name, window.check(m_recording).text()));
        ui->verdictLab->show();
    } else {
        ui->verdictLab->clear();
        ui->verdictLab->hide();
    }
}

QString UVPowerCurvePageFor416::showReadoutAt(double key)
{
    const int count = static_cast<int>(m_recording.samples.size() / kSampleBytes);
    const double step = stepOf(m_recording);
    const double position = (key - keyOf(m_recording, 0, m_axis)) / step;
    if (count == 0 || !std::isfinite(position)) {
        m_tracer->setVisible(false);
        ui->readoutLab->clear();
        ui->customPlot->replot(QCustomPlot::rpQueuedReplot);
        return QString();
    }
    const int index = int(std::lround(std::clamp(position, 0.0, double(count - 1))));
    QString time;
    if (m_recording.intervalSeconds <= 0)
        time = tr("Sample: %1").arg(index + 1);
    else if (m_axis == TimeAxis::Clock)
        time = tr("Time: %1")
                   .arg(m_recording.startTime.addSecs(qint64(index) * m_recording.intervalSeconds)
                            .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    else
        time = tr("Time: %1 s").arg(qint64(index) * m_recording.intervalSeconds);

    const double value = m_recording.sample(index);
    const bool finite = std::isfinite(value);
    const QString irradiance =
        finite ? tr("Irradiance: %1 uW/cm²").arg(value, 0, 'f', 1) : tr("Irradiance: no value");
    m_tracer->position->setCoords(keyOf(m_recording, index, m_axis), finite ? value : 0);
    m_tracer->setVisible(finite);
    const QString text = time + QLatin1Char('\n') + irradiance;
    ui->readoutLab->setText(text);
    ui->customPlot->replot(QCustomPlot::rpQueuedReplot);
    return text;
}

void UVPowerCurvePageFor416::followMouse(QMouseEvent *event)
{
    showReadoutAt(ui->customPlot->xAxis->pixelToCoord(event->position().x()));
}

void UVPowerCurvePageFor416::saveImageAs()
{
    QString name = QStringLiteral("curve_NO%1").arg(m_recording.group);
    if (m_recording.startTime.isValid())
        name += m_recording.startTime.toString(QStringLiteral("_yyyyMMddhhmmss"));
    const QString file = FileChoice::save(
        this, tr("Save image"), name + QStringLiteral(".png"),
        PlotSvg::available() ? tr("PNG image (*.png);;SVG image (*.svg);;PDF document (*.pdf)")
                             : tr("PNG image (*.png);;PDF document (*.pdf)"),
        imageSuffixes());
    if (file.isEmpty())
        return;
    if (!saveImage(file)) {
        UserPrompts::information(
            this, tr("information"),
            tr("The image could not be saved as %1.").arg(QDir::toNativeSeparators(file)));
        return;
    }
    ExportFolder::remember(file);
}

QStringList UVPowerCurvePageFor416::imageSuffixes()
{
    if (PlotSvg::available())
        return {QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("pdf")};
    return {QStringLiteral("png"), QStringLiteral("pdf")};
}

bool UVPowerCurvePageFor416::saveImage(const QString &fileName)
{
    QCustomPlot *plot = ui->customPlot;
    const QString suffix = FileChoice::knownSuffix(fileName, imageSuffixes());
    if (suffix == QLatin1String("png"))
        return plot->savePng(fileName);
    if (suffix == QLatin1String("pdf"))
        return plot->savePdf(fileName, 0, 0, QCP::epAllowCosmetic, QString(), windowTitle());
    return suffix == QLatin1String("svg") && PlotSvg::save(plot, fileName, windowTitle());
}

void UVPowerCurvePageFor416::on_btnUpdateCurve_clicked()
{
    if (!m_given) {
        const auto *page = qobject_cast<FirstPageFor416 *>(parentWidget());
        m_recording = page ? counted(page->selectedRecording) : counted(Recording());
    }
    qDebug("on_btnUpdateCurve_clicked= %d\n", int(m_recording.samples.size()));
    redraw();
}

void UVPowerCurvePageFor416::on_btnClearCurve_clicked()
{
    QCustomPlot *customPlot = ui->customPlot;
    customPlot->clearGraphs();
    customPlot->replot();
    customPlot->setInteractions(kInteractions);
    customPlot->addGraph();
    setInitialRanges(customPlot);
    on_btnUpdateCurve_clicked();
}

void UVPowerCurvePageFor416::autoset_yaxis()
{
    fitAxes(ui->customPlot);
    ui->customPlot->replot();
    ui->customPlot->setInteractions(kInteractions);
}
