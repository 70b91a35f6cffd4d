#include "tableopwidget.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace {

QPushButton *makeButton(QWidget *parent, QLayout *layout, const QString &name)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(name);
    // Small enough to fit into a table row.
    button->setStyleSheet(QStringLiteral("min-height:12px;padding:0px;"));
    layout->addWidget(button);
    return button;
}

} // namespace

TableOpWidget::TableOpWidget(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    EXCELBtn = makeButton(this, layout, QStringLiteral("EXCELBtn"));
    CurveBtn = makeButton(this, layout, QStringLiteral("CurveBtn"));
    ReportBtn = makeButton(this, layout, QStringLiteral("ReportBtn"));
    retranslateButtons();
    layout->setSpacing(2);
    layout->setContentsMargins(2, 2, 2, 2);

    connect(EXCELBtn, &QPushButton::clicked, this, &TableOpWidget::on_EXCELBtn_clicked);
    connect(CurveBtn, &QPushButton::clicked, this, &TableOpWidget::on_CurveBtn_clicked);
    connect(ReportBtn, &QPushButton::clicked, this, &TableOpWidget::on_ReportBtn_clicked);
}

void TableOpWidget::retranslateButtons()
{
    EXCELBtn->setText(tr("EXCEL"));
    CurveBtn->setText(tr("Curve"));
    ReportBtn->setText(tr("Report"));
}

void TableOpWidget::on_CurveBtn_clicked()
{
    emit sigCurve(row);
}

void TableOpWidget::on_EXCELBtn_clicked()
{
    emit sigEXCEL(row);
}

void TableOpWidget::on_ReportBtn_clicked()
{
    emit sigReport(row);
}
