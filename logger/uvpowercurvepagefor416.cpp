#include "uvpowercurvepagefor416.h"

UVPowerCurvePageFor416::UVPowerCurvePageFor416(QWidget *parent) : QDialog(parent) {}
