#include "plotsvg.h"

// Builds without Qt's SVG module (the Windows toolchain has none) save PNG and PDF only.
bool PlotSvg::available()
{
    return false;
}

bool PlotSvg::save(QCustomPlot *, const QString &, const QString &)
{
    return false;
}
