#include "reportpagefor416.h"

ReportPageFor416::ReportPageFor416(QWidget *parent) : QDialog(parent) {}
