#pragma once

#include <QColor>
#include <QString>

// The application's style sheet, palette and font.
class AppStyle
{
public:
    static constexpr const char *StyleSheetPath = ":/qss/psblue.css";

    // Links the compiled-in resources (style sheet, images) into the program.
    static void initResources();
    // The palette colour stands at characters 20 to 26 of the sheet.
    static QColor paletteColor(const QString &sheet);
    // Loads the sheet, sets the palette from it and applies it; false when it cannot be read.
    static bool applyStyleSheet(const QString &path = QString::fromLatin1(StyleSheetPath));
    // "Microsoft Yahei" 12 pt, falling back to the CJK fonts a Linux desktop has.
    static void applyFont();
};
