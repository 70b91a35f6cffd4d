#pragma once

#include "userprompts.h"

#include <QPrinter>
#include <QStringList>

// Print dialogs that print into a PDF file, and the PDF tools that read it back.
class PdfPrinting
{
public:
    // Sends the printer to `path` and prints, or cancels when not `accept`; counts the
    // dialogs in `asked`.
    static UserPrompts::Handler into(const QString &path, bool accept, int *asked);
    // Has the report print itself at screen resolution into the PDF file `path`.
    template <typename Report> static void print(Report *report, const QString &path)
    {
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        report->printTo(&printer);
    }
    // A PDF file with at least one page.
    static bool hasPage(const QString &path);
    static bool haveTool(const char *tool);
    // What the tool writes to its output (30 s at most); empty without the tool.
    static QString toolOutput(const char *tool, const QStringList &arguments);
};
