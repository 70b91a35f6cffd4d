#pragma once

#include <QDialog>

// Placeholder until the page is built.
class ReportPageFor416 : public QDialog
{
    Q_OBJECT

public:
    explicit ReportPageFor416(QWidget *parent = nullptr);
};
