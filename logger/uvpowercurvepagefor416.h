#pragma once

#include <QByteArray>
#include <QDialog>
#include <QVector>
#include <memory>

class QCustomPlot;

namespace Ui {
class UVPowerCurvePageFor416;
}

// Draws one downloaded record group of the logger: power against sample number.
class UVPowerCurvePageFor416 : public QDialog
{
    Q_OBJECT

public:
    // The parent is the logger page; any other parent gives an empty curve.
    explicit UVPowerCurvePageFor416(QWidget *parent = nullptr);
    // The curve of these group bytes, wherever they come from (the library window).
    UVPowerCurvePageFor416(const QByteArray &group, QWidget *parent);
    ~UVPowerCurvePageFor416() override;

    // The samples of a record group: 6 start-time bytes are skipped, then one value per
    // whole little-endian float; trailing bytes are ignored, and so is a group too short
    // to hold one. Values are returned as stored, NaN and infinities included.
    static QVector<double> samplesOf(const QByteArray &group);
    // Shows the group's samples as graph 0 of the plot and fits both axes to them.
    // Non-finite samples become gaps, so they cannot stretch or freeze the axes.
    static void showSamples(QCustomPlot *plot, const QByteArray &group);
    // Fits both axes to the data; without data the ranges stay as they are.
    static void fitAxes(QCustomPlot *plot);

    // Reloads the group from the parent page and redraws it.
    void on_btnUpdateCurve_clicked();
    // Starts over with a fresh graph and the initial ranges, then reloads.
    void on_btnClearCurve_clicked();

public slots:
    void autoset_yaxis();

private:
    std::unique_ptr<Ui::UVPowerCurvePageFor416> ui;
    void setUp();

    QByteArray recordData;
    bool m_given = false;
    QByteArray m_group;
};
