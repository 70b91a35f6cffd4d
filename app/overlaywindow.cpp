#include "overlaywindow.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

namespace {

const QCP::Interactions kInteractions = QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables;

} // namespace

OverlayWindow::OverlayWindow(const QList<Recording> &recordings, QWidget *parent)
    : QDialog(parent), m_recordings(recordings), m_plot(new QCustomPlot(this)),
      m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("OverlayWindow"));
    resize(1000, 620);
    m_plot->setObjectName(QStringLiteral("overlayPlot"));
    m_plot->setInteractions(kInteractions);
    // Twenty names would cover the curves inside the plot: they stand below it, in columns.
    QCPLegend *legend = m_plot->legend;
    m_plot->plotLayout()->addElement(1, 0, legend);
    m_plot->plotLayout()->setRowStretchFactor(1, 0.001);
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    legend->setWrap(3);
    legend->setBorderPen(Qt::NoPen);
    legend->setMargins(QMargins(8, 0, 8, 4));
    QFont small = font();
    small.setPointSizeF(std::max(7.0, small.pointSizeF() * 0.8));
    legend->setFont(small);
    m_status->setObjectName(QStringLiteral("statusLab"));
    m_status->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_plot, 1);
    layout->addWidget(m_status);
    redraw();
}

QString OverlayWindow::status() const
{
    return m_status->text();
}

QColor OverlayWindow::colour(int n)
{
    // Hand-picked first, then hues a golden angle apart, which never come back to one used.
    static const QRgb kFirst[] = {0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e, 0x9467bd,
                                  0x8c564b, 0xe377c2, 0x17becf, 0x7f7f7f, 0xbcbd22};
    constexpr int kCount = int(sizeof kFirst / sizeof kFirst[0]);
    if (n >= 0 && n < kCount)
        return QColor(kFirst[n]);
    const double hue = std::fmod(0.61803398875 * n, 1.0);
    return QColor::fromHsvF(float(hue), 0.85f, n % 2 ? 0.65f : 0.9f);
}

QString OverlayWindow::legendText(const Recording &recording)
{
    return QStringLiteral("%1 %2  %3")
        .arg(recording.modelName, recording.serial,
             recording.startTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
}

int OverlayWindow::draw(QCustomPlot *plot, const QList<Recording> &recordings)
{
    plot->clearGraphs();
    int meters = 0;
    bool anyData = false;
    for (const Recording &r : recordings) {
        if (r.family != Recording::Family::Logger) {
            ++meters;
            continue;
        }
        // Without an interval the samples still show their shape, one second apart.
        const double step = r.intervalSeconds > 0 ? r.intervalSeconds : 1.0;
        const int count = static_cast<int>(r.samples.size() / 4);
        QVector<double> keys(count), values(count);
        for (int k = 0; k < count; ++k) {
            keys[k] = k * step;
            const float v = r.sample(k);
            // NaN is a gap in the line; an infinity would make the axes unfittable.
            values[k] = std::isfinite(v) ? double(v) : std::numeric_limits<double>::quiet_NaN();
            anyData = anyData || std::isfinite(v);
        }
        QCPGraph *graph = plot->addGraph();
        // A one-pixel pen takes the painter's fast path: twenty curves draw in milliseconds.
        graph->setPen(QPen(colour(plot->graphCount() - 1), 1));
        graph->setName(legendText(r));
        graph->setData(keys, values, true);
    }
    plot->xAxis->setLabel(tr("Time (s)"));
    plot->yAxis->setLabel(tr("Irradiance (uW/cm²)"));
    plot->legend->setVisible(plot->graphCount() > 0);
    if (anyData) {
        plot->rescaleAxes();
        // Room above the highest peak, and the zero line in view.
        const QCPRange y = plot->yAxis->range();
        plot->yAxis->setRange(std::min(0.0, y.lower), y.upper + std::max(1.0, y.size()) * 0.05);
    } else {
        plot->xAxis->setRange(0, 60);
        plot->yAxis->setRange(0, 600);
    }
    return meters;
}

void OverlayWindow::redraw()
{
    setWindowTitle(tr("Overlay"));
    const int meters = draw(m_plot, m_recordings);
    QStringList notes;
    notes << tr("Recordings: %1").arg(m_plot->graphCount());
    if (meters > 0)
        notes << tr("Meter groups have no curve: %1 left out.").arg(meters);
    QStringList noInterval;
    for (const Recording &r : std::as_const(m_recordings)) {
        if (r.family == Recording::Family::Logger && r.intervalSeconds <= 0)
            noInterval << QString::number(r.id);
    }
    if (!noInterval.isEmpty())
        notes << tr("No interval known for entry %1: drawn one second per sample.")
                     .arg(noInterval.join(QStringLiteral(", ")));
    m_status->setText(notes.join(QStringLiteral("    ")));
    m_plot->replot();
}

void OverlayWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        redraw();
    QDialog::changeEvent(event);
}
