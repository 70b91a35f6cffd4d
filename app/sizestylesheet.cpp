#include "sizestylesheet.h"

#include <QStringList>

QString SizeStyleSheet::build()
{
    const int dropDownWidth = 20;
    const int downArrowSize = 10;
    const int radioSize = 15;
    const int checkSize = 13;
    const int scrollBarSize = 12;
    const int scrollBarRadius = 6;
    const int topBorder = 3;
    const int leftBorder = 3;

    QStringList rules;
    rules << QStringLiteral("QComboBox::drop-down,QDateEdit::drop-down,QTimeEdit::drop-down,"
                            "QDateTimeEdit::drop-down{width:%1px;}")
                 .arg(dropDownWidth);
    rules << QStringLiteral("QComboBox::down-arrow,QDateEdit[calendarPopup=\"true\"]::down-arrow,"
                            "QTimeEdit[calendarPopup=\"true\"]::down-arrow,"
                            "QDateTimeEdit[calendarPopup=\"true\"]::down-arrow"
                            "{width:%1px;height:%1px;right:2px;}")
                 .arg(downArrowSize);
    rules << QStringLiteral("QRadioButton::indicator{width:%1px;height:%1px;}").arg(radioSize);
    rules << QStringLiteral("QCheckBox::indicator,QGroupBox::indicator,QTreeWidget::indicator,"
                            "QListWidget::indicator{width:%1px;height:%1px;}")
                 .arg(checkSize);
    rules << QStringLiteral("QScrollBar:horizontal{min-height:%1px;border-radius:%2px;}"
                            "QScrollBar::handle:horizontal{border-radius:%2px;}"
                            "QScrollBar:vertical{min-width:%1px;border-radius:%2px;}"
                            "QScrollBar::handle:vertical{border-radius:%2px;}")
                 .arg(scrollBarSize)
                 .arg(scrollBarRadius);
    rules << QStringLiteral("QWidget#widget_top>QToolButton:pressed,"
                            "QWidget#widget_top>QToolButton:hover,"
                            "QWidget#widget_top>QToolButton:checked,"
                            "QWidget#widget_top>QLabel:hover{border-width:0px 0px %1px 0px;}")
                 .arg(topBorder);
    rules << QStringLiteral(
                 "QWidget#widgetleft>QPushButton:checked,"
                 "QWidget#widgetleft>QToolButton:checked,"
                 "QWidget#widgetleft>QPushButton:pressed,"
                 "QWidget#widgetleft>QToolButton:pressed{border-width:0px 0px 0px %1px;}")
                 .arg(leftBorder);
    return rules.join(QString());
}
