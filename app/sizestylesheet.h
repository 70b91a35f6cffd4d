#pragma once

#include <QString>

// Sizes of drop-down buttons, indicators, scroll bars and navigation-button borders;
// the main window applies this text as its own style sheet.
class SizeStyleSheet
{
public:
    SizeStyleSheet() = delete;

    static QString build();
};
