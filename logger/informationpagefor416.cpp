#include "informationpagefor416.h"

InformationPageFor416::InformationPageFor416(QWidget *parent) : QDialog(parent) {}
