#include "linklog.h"

Q_LOGGING_CATEGORY(lcFrames, "solvane.link.frames", QtWarningMsg)
Q_LOGGING_CATEGORY(lcTransport, "solvane.link.transport", QtWarningMsg)
