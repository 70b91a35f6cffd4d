#pragma once

#include <QDialog>

// Placeholder until the page is built.
class InformationPageFor416 : public QDialog
{
    Q_OBJECT

public:
    explicit InformationPageFor416(QWidget *parent = nullptr);
};
