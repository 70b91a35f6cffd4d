#pragma once

#include <QString>

class QCustomPlot;

// SVG pictures of a plot, where the system's Qt has its SVG module.
class PlotSvg
{
public:
    static bool available();
    // Draws `plot` at its size into `fileName`; false when it cannot be written.
    static bool save(QCustomPlot *plot, const QString &fileName, const QString &title);
};
