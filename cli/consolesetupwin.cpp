#include "consolesetup.h"

#include <windows.h>

// The console shows bytes in its output code page (an OEM one by default): UTF-8 while we
// write, the user's own again when we are done. Redirected output gets the bytes unchanged.
ConsoleSetup::ConsoleSetup() : m_previousCodePage(GetConsoleOutputCP())
{
    if (m_previousCodePage != 0 && m_previousCodePage != CP_UTF8)
        SetConsoleOutputCP(CP_UTF8);
}

ConsoleSetup::~ConsoleSetup()
{
    if (m_previousCodePage != 0 && m_previousCodePage != CP_UTF8)
        SetConsoleOutputCP(m_previousCodePage);
}
