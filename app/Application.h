// The program's start and end: single instance, session and catalog, the main window, the
// composition check, the event loop and the final clean-up, over a given platform backend.
#pragma once

#include <QString>

#include <functional>
#include <optional>

class Platform;
struct Session;

// What the toolkit's platform needs around its start; empty members do nothing.
struct ToolkitHooks {
    // Before the toolkit starts: why the program cannot run here, or nothing.
    std::function<std::optional<QString>()> displayProblem;
    // Once the toolkit runs.
    std::function<void()> started;
    // Once the toolkit runs, after started: the backend to use instead of the given one
    // (the toolkit chose another window system than expected), or null to keep it.
    std::function<Platform*()> replacement;
};

// The catalog folder: installPath, a directory separator unless it already ends with one,
// then "Messages"; empty when there is no installation folder.
QString GetMessagesFolder(const QString& installPath);

// Where catalogs are looked for when no installation folder is recorded, besides it.
struct MessagesLocations {
    // From the executable's folder to the installed catalogs ("../share/vantrel/Messages").
    QString installedRelative;
    // The folder the build puts the executable in, and the source tree's catalogs, which an
    // executable run from that folder uses.
    QString buildFolder;
    QString sourceMessages;
};

// The locations this build was configured with.
MessagesLocations BuiltMessagesLocations();

// The catalog folder: the recorded installation folder's (GetMessagesFolder) when there is
// one; otherwise the installed layout next to the executable, or, for an executable in the
// build folder, the source tree's catalogs, whichever exists first; empty when none does.
QString FindMessagesFolder(const QString& installPath, const QString& executableFolder,
                           const MessagesLocations& where);

// The whole program. Uses the running QApplication when there is one (tests), otherwise
// makes its own. Returns the exit code.
int RunVantrel(Platform& platform, int argc, char** argv, const ToolkitHooks& hooks = {});

// The part after the guard, with a QApplication in place: catalog, main window,
// composition check, event loop. Returns the exit code: 0, or 1 when composition is off here
// (after its message).
int RunApplication(Session& session, Platform& platform);
