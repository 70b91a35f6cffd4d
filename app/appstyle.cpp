#include "appstyle.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QPalette>

static void initCompiledResources()
{
    Q_INIT_RESOURCE(resources);
}

void AppStyle::initResources()
{
    static const bool done = (initCompiledResources(), true);
    Q_UNUSED(done);
}

QColor AppStyle::paletteColor(const QString &sheet)
{
    return QColor(sheet.mid(20, 7));
}

bool AppStyle::applyStyleSheet(const QString &path)
{
    initResources();
    QFile file(path);
    if (!file.open(QFile::ReadOnly))
        return false;
    const QString sheet = QString::fromLatin1(file.readAll());
    qApp->setPalette(QPalette(paletteColor(sheet)));
    qApp->setStyleSheet(sheet);
    file.close();
    return true;
}

void AppStyle::applyFont()
{
    const QString family = QStringLiteral("Microsoft Yahei");
    QFont::insertSubstitutions(
        family, {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
    QFont font(family, 12);
    QApplication::setFont(font);
}
