#pragma once

#include <QString>

// The shapes both test reports are built from.
class ReportHtml
{
public:
    static QString tableOpening(int border);
    static QString cellOpening(int width);
    static QString centredCellOpening(int width);
    static QString plainCell(int width, const QString &content);
    static QString centredCell(int width, const QString &content);
    // One table row of the given cells.
    static QString row(const QString &cells);
    static QString titleParagraph(const QString &size, const QString &text);
};
