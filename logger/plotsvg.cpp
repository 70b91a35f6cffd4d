#include "plotsvg.h"

#include <QSvgGenerator>
#include <qcustomplot.h>

bool PlotSvg::available()
{
    return true;
}

bool PlotSvg::save(QCustomPlot *plot, const QString &fileName, const QString &title)
{
    const QSize size = plot->size();
    QSvgGenerator svg;
    svg.setFileName(fileName);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(title);
    QCPPainter painter;
    if (!painter.begin(&svg))
        return false;
    plot->toPainter(&painter, size.width(), size.height());
    return painter.end();
}
