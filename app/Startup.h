// The program's start and end: single instance, catalog, the main window, the composition
// check, the event loop and the final clean-up.
#pragma once

#include <QString>

#include <optional>
#include <string>

// The installation folder from the system settings (QSettings, system scope, "Quillane",
// "Vantrel", key InstallPath); empty when the value is absent or empty.
QString ReadInstallPath();
// The catalog folder: the installation folder, a directory separator unless it already
// ends with one, then "Messages"; empty when there is no installation folder.
QString GetMessagesFolder();

// Chooses the X11 (xcb) toolkit platform unless the user chose one, so that a Wayland
// session with XWayland runs the program on X11.
void ChooseToolkitPlatform();
// Why the program cannot run on X11 here (no DISPLAY, or the display cannot be opened), or
// nothing. Only checked when the toolkit platform is xcb.
std::optional<std::string> DisplayProblem();

// Once the toolkit runs: when the connection to the display breaks, the program ends with
// exit code 1 and the one line "vantrel: lost the connection to the X server", instead of
// the toolkit's and Xlib's assorted last words.
void WatchDisplayConnection();

// The whole program after a platform backend has been installed. Uses the running
// QApplication when there is one (tests), otherwise makes its own. Returns the exit code.
int RunVantrel(int argc, char** argv);

// The part after the guard, with a QApplication in place: catalog, main window,
// composition check, event loop. Returns the exit code.
int RunApplication();
