#pragma once

#include <QDialog>

// Placeholder until the page is built.
class UVPowerCurvePageFor416 : public QDialog
{
    Q_OBJECT

public:
    explicit UVPowerCurvePageFor416(QWidget *parent = nullptr);
};
