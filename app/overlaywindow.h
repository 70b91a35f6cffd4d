#pragma once

#include "recording.h"

#include <QDialog>
#include <QList>

class QCustomPlot;
class QLabel;

// Several logger recordings in one plot, each from its own start (seconds from start on the
// x axis), one colour each, so that runs of a lamp or a line can be compared by eye.
class OverlayWindow : public QDialog
{
    Q_OBJECT

public:
    // The recordings read whole (with their samples). Meter groups have no curve: they are
    // left out and the status line says so.
    explicit OverlayWindow(const QList<Recording> &recordings, QWidget *parent = nullptr);

    QCustomPlot *plot() const { return m_plot; }
    QString status() const;

    // Draws the logger recordings among `recordings` as graphs 0.. in their order; returns
    // the number of meter groups left out.
    static int draw(QCustomPlot *plot, const QList<Recording> &recordings);
    // The n-th of a set of colours that stay apart however many there are.
    static QColor colour(int n);
    static QString legendText(const Recording &recording);

private:
    void changeEvent(QEvent *event) override;
    void redraw();

    QList<Recording> m_recordings;
    QCustomPlot *m_plot;
    QLabel *m_status;
};
