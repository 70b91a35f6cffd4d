#pragma once

// The terminal the command line writes to, set up for UTF-8 while the program runs and put
// back as it was afterwards.
class ConsoleSetup
{
public:
    ConsoleSetup();
    ~ConsoleSetup();
    ConsoleSetup(const ConsoleSetup &) = delete;
    ConsoleSetup &operator=(const ConsoleSetup &) = delete;

private:
    unsigned m_previousCodePage = 0;
};
