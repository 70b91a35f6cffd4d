#pragma once

#include "recording.h"

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QVector>
#include <memory>

class QCPItemTracer;
class QCustomPlot;
class QMouseEvent;

namespace Ui {
class UVPowerCurvePageFor416;
}

// Draws one logger recording: irradiance against the time since its start or against the
// instrument's clock, with its dose, its verdict against the chosen process window and a
// readout of the sample under the mouse.
class UVPowerCurvePageFor416 : public QDialog
{
    Q_OBJECT

public:
    enum class TimeAxis { Seconds, Clock };

    // The parent is the logger page; any other parent gives an empty curve.
    explicit UVPowerCurvePageFor416(QWidget *parent = nullptr);
    // The curve of this recording, wherever it comes from (the library window).
    UVPowerCurvePageFor416(const Recording &recording, QWidget *parent);
    ~UVPowerCurvePageFor416() override;

    // The samples of a record group: 6 start-time bytes are skipped, then one value per
    // whole little-endian float; trailing bytes are ignored, and so is a group too short
    // to hold one. Values are returned as stored, NaN and infinities included.
    static QVector<double> samplesOf(const QByteArray &group);
    // Whether the clock can label the x axis: the start time and the interval are known.
    static bool hasClock(const Recording &recording);
    // The x key of sample `index`: index × interval seconds, or for the clock that time after
    // the start as a QCPAxisTickerDateTime key (the instrument's clock read as UTC, so that no
    // daylight-saving change bends it). An interval of 0 is not known: samples are counted.
    static double keyOf(const Recording &recording, int index, TimeAxis axis);
    // Shows the recording as graph 0 of the plot, labels and ticks both axes and fits them.
    // Non-finite samples become gaps, so they cannot stretch or freeze the axes.
    static void showRecording(QCustomPlot *plot, const Recording &recording,
                              TimeAxis axis = TimeAxis::Seconds);
    // Fits both axes to the data; without data the ranges stay as they are.
    static void fitAxes(QCustomPlot *plot);
    // The recording with its dose counted from its samples and interval, and its peak from
    // the samples that are numbers where the stored one is not; an entry listed without its
    // samples keeps what the library gave it.
    static Recording counted(const Recording &recording);

    const Recording &recording() const { return m_recording; }
    TimeAxis timeAxis() const { return m_axis; }
    // The clock falls back to seconds where the recording has no clock.
    void setTimeAxis(TimeAxis axis);
    // Puts the readout on the sample nearest to x key `key` and returns what it says.
    QString showReadoutAt(double key);

    // Reloads the recording from the parent page and redraws it.
    void on_btnUpdateCurve_clicked();
    // Starts over with a fresh graph and the initial ranges, then reloads.
    void on_btnClearCurve_clicked();

public slots:
    void autoset_yaxis();

private:
    void setUp();
    void redraw();
    void showResults();
    void followMouse(QMouseEvent *event);
    void saveImageAs();
    bool saveImage(const QString &fileName);
    // The picture formats this build writes (lower case, the first proposed).
    static QStringList imageSuffixes();

    std::unique_ptr<Ui::UVPowerCurvePageFor416> ui;
    bool m_given = false;
    Recording m_recording;
    TimeAxis m_axis = TimeAxis::Seconds;
    QCPItemTracer *m_tracer = nullptr; // owned by the plot
};
