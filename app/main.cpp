// The composition root: the toolkit platform and the backend are chosen here and nowhere
// else, and handed down to the program.
#include <QGuiApplication>
#include <QtGlobal>

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/Application.h"
#include "remote/RemoteEntry.h"
#ifdef _WIN32
#include "platform/win32/Win32Platform.h"
#else
#include "platform/x11/X11Platform.h"
#endif
#ifdef VANTREL_WITH_WAYLAND
#include "platform/wayland/SurfaceGlobals.h"
#include "platform/wayland/WaylandPlatform.h"
#endif

namespace {

#ifndef _WIN32
int RunOnX11(int argc, char** argv) {
    const auto platform = CreateX11Platform();
    ToolkitHooks hooks;
    hooks.displayProblem = [] { return X11DisplayProblem(); };
    hooks.started = [] { WatchX11Connection(); };
    return RunVantrel(*platform, argc, argv, hooks);
}
#endif

#ifdef VANTREL_WITH_WAYLAND
// In a Wayland session (XDG_SESSION_TYPE=wayland with WAYLAND_DISPLAY set) the program runs
// natively on Wayland, with XWayland as the toolkit's fallback; QT_QPA_PLATFORM=xcb forces
// X11 there. Everywhere else X11 (xcb) is the default, as before.
void ChooseToolkitPlatform() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return;
    }
    const bool waylandSession = qEnvironmentVariable("XDG_SESSION_TYPE") == "wayland" &&
                                !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    qputenv("QT_QPA_PLATFORM", waylandSession ? "wayland;xcb" : "xcb");
}

// --diagnose: the backend this desktop gets and how clones' frames reach the screen, for
// bug reports.
int Diagnose(int argc, char** argv) {
    ChooseToolkitPlatform();
    const QGuiApplication toolkit(argc, argv);
    const QString line = QtRunsOnWayland()
                             ? WaylandFramePathReport()
                             : QStringLiteral("x11, frames drawn by the X server (Composite)");
    std::printf("%s\n", qPrintable(line));
    return 0;
}

// The guard and the language come from the Wayland backend; should the toolkit fall back
// to X11 after all, the X11 backend takes over the windows, displays and clones.
int RunOnWayland(int argc, char** argv) {
    const auto platform = CreateWaylandPlatform();
    std::unique_ptr<Platform> fallback;
    ToolkitHooks hooks;
    hooks.replacement = [&fallback]() -> Platform* {
        if (QtRunsOnWayland()) {
            return nullptr;
        }
        fallback = CreateX11Platform();
        WatchX11Connection();
        return fallback.get();
    };
    return RunVantrel(*platform, argc, argv, hooks);
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef VANTREL_WITH_WAYLAND
    if (argc == 2 && std::strcmp(argv[1], "--diagnose") == 0) {
        return Diagnose(argc, argv);
    }
#endif
    // A command for the running copy (or --help, --version) is carried out and ends here,
    // before the guard is taken: a command may have to start the copy it talks to.
    if (const std::optional<int> status = RunRemoteCommand(argc, argv)) {
        return *status;
    }
#ifdef _WIN32
    const auto platform = CreateWin32Platform();
    return RunVantrel(*platform, argc, argv);
#else
#ifdef VANTREL_WITH_WAYLAND
    ChooseToolkitPlatform();
    if (WaylandSessionExpected()) {
        return RunOnWayland(argc, argv);
    }
#else
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
#endif
    return RunOnX11(argc, argv);
#endif
}
