#include "trendwindow.h"

#include "recordinglibrary.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>
#include <qcustomplot.h>

namespace {

constexpr double kDay = 24 * 3600;
const QColor kPeakColour(0x1f77b4);
const QColor kDoseColour(0xd95f02);

// A band across the plot between the limits on `valueAxis`; a missing limit is the plot's
// edge. Nothing without either limit.
void band(QCustomPlot *plot, QCPAxis *valueAxis, const std::optional<double> &min,
          const std::optional<double> &max, const QColor &colour, const QString &name)
{
    if (!min && !max)
        return;
    auto *rect = new QCPItemRect(plot);
    rect->setObjectName(name);
    rect->setLayer(QStringLiteral("grid")); // below the points
    rect->setClipAxisRect(plot->axisRect());
    for (QCPItemPosition *p : {rect->topLeft, rect->bottomRight}) {
        p->setAxes(plot->xAxis, valueAxis);
        p->setAxisRect(plot->axisRect());
        p->setTypeX(QCPItemPosition::ptAxisRectRatio);
    }
    rect->topLeft->setTypeY(max ? QCPItemPosition::ptPlotCoords : QCPItemPosition::ptAxisRectRatio);
    rect->topLeft->setCoords(0, max ? *max : 0);
    rect->bottomRight->setTypeY(min ? QCPItemPosition::ptPlotCoords
                                    : QCPItemPosition::ptAxisRectRatio);
    rect->bottomRight->setCoords(1, min ? *min : 1);
    QColor fill = colour;
    fill.setAlpha(40);
    rect->setPen(QPen(colour, 1, Qt::DashLine));
    rect->setBrush(fill);
}

// A legend line for a band, which is an item and has none of its own.
void bandLegend(QCustomPlot *plot, const QColor &colour, const QString &text)
{
    QCPGraph *entry = plot->addGraph();
    QColor fill = colour;
    fill.setAlpha(40);
    entry->setPen(QPen(colour, 1, Qt::DashLine));
    entry->setBrush(fill);
    entry->setName(text);
}

// From 0 (peaks and doses are never below) to above the highest of the values and limits.
void fitValues(QCPAxis *axis, double highest, const std::optional<double> &min,
               const std::optional<double> &max)
{
    for (const auto &limit : {min, max}) {
        if (limit)
            highest = std::max(highest, *limit);
    }
    axis->setRange(0, highest > 0 ? highest * 1.1 : 1);
}

QCPGraph *pointsGraph(QCustomPlot *plot, QCPAxis *valueAxis, const QColor &colour,
                      QCPScatterStyle::ScatterShape shape)
{
    QCPGraph *graph = plot->addGraph(plot->xAxis, valueAxis);
    graph->setLineStyle(QCPGraph::lsNone);
    graph->setPen(QPen(colour));
    graph->setScatterStyle(QCPScatterStyle(shape, colour, 6));
    return graph;
}

} // namespace

TrendWindow::TrendWindow(RecordingLibrary *library, const QString &serial,
                         const std::optional<ProcessWindow> &window, QWidget *parent)
    : QDialog(parent), m_serial(serial), m_window(window), m_plot(new QCustomPlot(this)),
      m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("TrendWindow"));
    resize(1000, 620);
    m_plot->setObjectName(QStringLiteral("trendPlot"));
    m_plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    m_status->setObjectName(QStringLiteral("statusLab"));
    m_status->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_plot, 1);
    layout->addWidget(m_status);
    if (library && library->isOpen()) {
        RecordingLibrary::Filter filter;
        filter.serial = serial;
        const int total = library->count(filter);
        m_entries = library->list(filter, 0, total);
        if (m_entries.size() < total)
            m_readError = library->lastError();
    } else {
        m_readError = tr("No library is open.");
    }
    redraw();
}

QString TrendWindow::status() const
{
    return m_status->text();
}

TrendWindow::Drawn TrendWindow::draw(QCustomPlot *plot, const QList<Recording> &entries,
                                     const ProcessWindow *window)
{
    plot->clearGraphs();
    plot->clearItems();
    Drawn drawn;
    QVector<double> peakKeys, peaks, doseKeys, doses;
    peakKeys.reserve(entries.size());
    peaks.reserve(entries.size());
    doseKeys.reserve(entries.size());
    doses.reserve(entries.size());
    double first = 0, last = 0, highestPeak = 0, highestDose = 0;
    for (const Recording &r : entries) {
        if (r.family != Recording::Family::Logger || !r.startTime.isValid()) {
            ++drawn.left;
            continue;
        }
        const double key = QCPAxisTickerDateTime::dateTimeToKey(r.startTime.date());
        first = drawn.points == 0 ? key : std::min(first, key);
        last = drawn.points == 0 ? key : std::max(last, key);
        ++drawn.points;
        if (std::isfinite(r.powerMax)) {
            peakKeys << key;
            peaks << r.powerMax;
            highestPeak = std::max(highestPeak, r.powerMax);
        }
        // A dose that counts only part of the recording would look like a decline.
        if (r.doseFlagged || !std::isfinite(r.doseUjCm2)) {
            ++drawn.flaggedDoses;
        } else {
            doseKeys << key;
            doses << r.doseUjCm2;
            highestDose = std::max(highestDose, r.doseUjCm2);
        }
    }

    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeFormat(QStringLiteral("yyyy-MM-dd"));
    plot->xAxis->setTicker(ticker);
    plot->xAxis->setLabel(tr("Date"));
    plot->yAxis->setLabel(tr("Peak irradiance (uW/cm²)"));
    plot->yAxis2->setVisible(true);
    plot->yAxis2->setLabel(tr("Dose (uJ/cm²)"));
    plot->yAxis->setLabelColor(kPeakColour);
    plot->yAxis2->setLabelColor(kDoseColour);

    QCPGraph *peak = pointsGraph(plot, plot->yAxis, kPeakColour, QCPScatterStyle::ssDisc);
    peak->setName(tr("Peak (MAX)"));
    peak->setData(peakKeys, peaks);
    QCPGraph *dose = pointsGraph(plot, plot->yAxis2, kDoseColour, QCPScatterStyle::ssTriangle);
    dose->setName(tr("Dose"));
    dose->setData(doseKeys, doses);

    const std::optional<double> none;
    if (window) {
        band(plot, plot->yAxis, window->minPeak, window->maxPeak, kPeakColour,
             QStringLiteral("peakBand"));
        band(plot, plot->yAxis2, window->minDose, window->maxDose, kDoseColour,
             QStringLiteral("doseBand"));
        if (window->minPeak || window->maxPeak)
            bandLegend(plot, kPeakColour, tr("Peak limits of %1").arg(window->name));
        if (window->hasDoseLimit())
            bandLegend(plot, kDoseColour, tr("Dose limits of %1").arg(window->name));
    }
    fitValues(plot->yAxis, highestPeak, window ? window->minPeak : none,
              window ? window->maxPeak : none);
    fitValues(plot->yAxis2, highestDose, window ? window->minDose : none,
              window ? window->maxDose : none);
    if (drawn.points > 0)
        plot->xAxis->setRange(first - kDay, last + kDay);
    else
        plot->xAxis->setRange(QCPAxisTickerDateTime::dateTimeToKey(QDate::currentDate()) - 7 * kDay,
                              QCPAxisTickerDateTime::dateTimeToKey(QDate::currentDate()) + kDay);
    plot->legend->setVisible(true);
    plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignBottom | Qt::AlignLeft);
    return drawn;
}

void TrendWindow::redraw()
{
    setWindowTitle(tr("Trend of %1").arg(m_serial));
    const Drawn drawn = draw(m_plot, m_entries, m_window ? &*m_window : nullptr);
    QStringList notes;
    if (!m_readError.isEmpty())
        notes << tr("The library could not be read whole: %1").arg(m_readError);
    notes << tr("Recordings: %1").arg(drawn.points);
    if (drawn.left > 0)
        notes
            << tr("Meter groups and recordings without a start time left out: %1.").arg(drawn.left);
    if (drawn.flaggedDoses > 0)
        notes << tr("Doses that could not be counted whole left out: %1.").arg(drawn.flaggedDoses);
    notes << (m_window ? tr("Process window: %1").arg(m_window->name)
                       : tr("No process window chosen."));
    m_status->setText(notes.join(QStringLiteral("    ")));
    m_plot->replot();
}

void TrendWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        redraw();
    QDialog::changeEvent(event);
}
