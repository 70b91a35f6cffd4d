#include "consolesetup.h"

// A POSIX terminal takes the UTF-8 bytes as they are.
ConsoleSetup::ConsoleSetup() = default;

ConsoleSetup::~ConsoleSetup() = default;
