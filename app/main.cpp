// The composition root: the toolkit platform and the backend are chosen here and nowhere
// else, and handed down to the program.
#include <QtGlobal>

#include "app/Application.h"
#include "remote/RemoteEntry.h"
#ifdef _WIN32
#include "platform/win32/Win32Platform.h"
#else
#include "platform/x11/X11Platform.h"
#endif

int main(int argc, char** argv) {
    // A command for the running copy (or --help, --version) is carried out and ends here,
    // before the guard is taken: a command may have to start the copy it talks to.
    if (const std::optional<int> status = RunRemoteCommand(argc, argv)) {
        return *status;
    }
#ifdef _WIN32
    const auto platform = CreateWin32Platform();
    return RunVantrel(*platform, argc, argv);
#else
    // X11 (xcb) unless the user chose a toolkit platform, so that a Wayland session with
    // XWayland runs the program on X11.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    const auto platform = CreateX11Platform();
    ToolkitHooks hooks;
    hooks.displayProblem = [] { return X11DisplayProblem(); };
    hooks.started = [] { WatchX11Connection(); };
    return RunVantrel(*platform, argc, argv, hooks);
#endif
}
