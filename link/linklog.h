#pragma once

#include <QLoggingCategory>

// Hex dumps of every frame in and out ("solvane.link.frames") and the per-read
// transport chatter ("solvane.link.transport"); both off unless QT_LOGGING_RULES turns them on.
Q_DECLARE_LOGGING_CATEGORY(lcFrames)
Q_DECLARE_LOGGING_CATEGORY(lcTransport)
