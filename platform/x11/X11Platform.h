// The X11 backend. Creating it touches no display: the guard and the language work before
// the toolkit starts; the window list, the displays and the compositor attach to Qt's xcb
// connection on first use.
#pragma once

#include <QString>

#include <memory>
#include <optional>

#include "platform/Platform.h"

std::unique_ptr<Platform> CreateX11Platform();

// Before the toolkit starts (it aborts when it cannot open a display): why the program
// cannot run on X11 here (DISPLAY unset, or the display cannot be opened), or nothing.
std::optional<QString> X11DisplayProblem();

// Once the toolkit runs on xcb: when the connection to the X server breaks, the program
// ends with exit code 1 and the one line "vantrel: lost the connection to the X server".
void WatchX11Connection();
