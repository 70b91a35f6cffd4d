#pragma once

#include "processwindow.h"
#include "recording.h"

#include <QDialog>
#include <QList>
#include <optional>

class QCustomPlot;
class QLabel;
class RecordingLibrary;

// The peak and the dose of every recording of one instrument against the day it was made,
// with the limits of a process window as bands, so that a lamp's decline shows before its
// recordings fail.
class TrendWindow : public QDialog
{
    Q_OBJECT

public:
    // Reads the instrument's entries as listed (without their samples).
    TrendWindow(RecordingLibrary *library, const QString &serial,
                const std::optional<ProcessWindow> &window, QWidget *parent = nullptr);

    QCustomPlot *plot() const { return m_plot; }
    QString status() const;

    struct Drawn {
        int points = 0;       // recordings drawn
        int flaggedDoses = 0; // doses that could not be counted whole: left out of the dose graph
        int left = 0;         // meter groups and recordings without a start time
    };
    // Graph 0: peak (MAX, uW/cm²) on the left axis, graph 1: dose (uJ/cm²) on the right, both
    // by the date of the start time. The window's limits are items "peakBand" and "doseBand".
    static Drawn draw(QCustomPlot *plot, const QList<Recording> &entries,
                      const ProcessWindow *window);

private:
    void changeEvent(QEvent *event) override;
    void redraw();

    QString m_serial;
    QString m_readError;
    std::optional<ProcessWindow> m_window;
    QList<Recording> m_entries;
    QCustomPlot *m_plot;
    QLabel *m_status;
};
