#include "consolesetup.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

// The console shows bytes in its output code page (an OEM one by default): UTF-8 while we
// write, the user's own again when we are done. Output is written in binary mode, so that
// JSON, CSV and workbooks sent to a pipe are the same bytes as on every system (no CR added).
ConsoleSetup::ConsoleSetup() : m_previousCodePage(GetConsoleOutputCP())
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (m_previousCodePage != 0 && m_previousCodePage != CP_UTF8)
        SetConsoleOutputCP(CP_UTF8);
}

ConsoleSetup::~ConsoleSetup()
{
    if (m_previousCodePage != 0 && m_previousCodePage != CP_UTF8)
        SetConsoleOutputCP(m_previousCodePage);
}
