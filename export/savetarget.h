#pragma once

#include <QString>

class QWidget;

// The file an export is written to: chosen in the save dialog, named as the content it will
// hold, and checked before anything is written. The logger page and the library window choose
// their workbooks through it alike.
class SaveTarget
{
public:
    // Asks under `caption` for a file, proposing `proposed`. The name becomes an .xlsx name
    // unless `csvAllowed` and it ends in .csv; when that changed name exists, the user is asked
    // before it is replaced, since the dialog asked about the typed one. Empty when cancelled.
    static QString ask(QWidget *parent, const QString &caption, const QString &proposed,
                       const QString &filter, bool csvAllowed);

    // xlsx content goes only under an .xlsx name. A typed ".xls" asked for an Excel workbook
    // and becomes ".xlsx"; any other suffix is part of the name ("run.v2") and stays in it.
    static QString workbookName(const QString &typed);
    static bool isCsvName(const QString &fileName);

    // Whether `target` may be replaced: absent, or a plain file we may write that no office
    // program has open (on Windows opening also fails for a file another program holds).
    // Nothing is changed by the check.
    static bool replaceable(const QString &target);
};
