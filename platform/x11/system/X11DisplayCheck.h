// Before the toolkit starts: make sure there is an X display to run on, since the toolkit
// aborts the process when it cannot open one. Once it runs: end quietly with one line when
// the server goes away.
#pragma once

#include <QString>

#include <optional>

// Before the toolkit starts (it aborts when it cannot open a display): why the program
// cannot run on X11 here (DISPLAY unset, or the display cannot be opened), or nothing.
std::optional<QString> X11DisplayProblem();

// Once the toolkit runs on xcb: when the connection to the X server breaks, the program
// ends with exit code 1 and the one line "vantrel: lost the connection to the X server".
void WatchX11Connection();
