#include "reporthtml.h"

QString ReportHtml::tableOpening(int border)
{
    return QStringLiteral("<table width=\"100%\" border=\"") + QString::number(border) +
           QStringLiteral("\" cellspacing=0>");
}

QString ReportHtml::cellOpening(int width)
{
    return QStringLiteral("<td width=\"") + QString::number(width) + QStringLiteral("%\">");
}

QString ReportHtml::centredCellOpening(int width)
{
    return QStringLiteral("<td width=\"") + QString::number(width) +
           QStringLiteral("%\" align=\"center\">");
}

QString ReportHtml::plainCell(int width, const QString &content)
{
    return cellOpening(width) + content + QStringLiteral("</td>");
}

QString ReportHtml::centredCell(int width, const QString &content)
{
    return centredCellOpening(width) + content + QStringLiteral("</td>");
}

QString ReportHtml::row(const QString &cells)
{
    return QStringLiteral("<tr>") + cells + QStringLiteral("</tr>");
}

QString ReportHtml::titleParagraph(const QString &size, const QString &text)
{
    return QStringLiteral("<p class=\"MsoNormal\" align=\"center\" style=\"text-align: center\">"
                          "<span lang=\"EN-US\" style=\"font-size: ") +
           size + QStringLiteral("pt\">") + text + QStringLiteral("</span></p>");
}
