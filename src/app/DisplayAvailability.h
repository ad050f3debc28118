#pragma once

// Whether the window has a display to go on. Qt aborts when its platform plugin finds no display
// server; the program checks first, so that a start without one ends with a plain message.

#include <QProcessEnvironment>
#include <QString>
#include <optional>

// Why no window can be shown in `environment`, or nothing when it can. Platforms that need no
// display server (offscreen, vnc and the like) always can.
std::optional<QString> missingDisplay(const QProcessEnvironment& environment);
