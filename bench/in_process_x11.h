// What the in-process X11 benchmarks (the list with many windows, the in-process soak) do
// before their QApplication exists: a private Xvfb with the soak monitors, this process's Qt
// and the X11 backend pointed at it; and how they report a failure.
#pragma once

#include <QByteArray>

#include <cstdio>
#include <memory>

#include "bench/soak_scene.h"
#include "platform/Platform.h"
#include "platform/x11/X11Platform.h"
#include "tests/e2e/support/TestDesktop.h"

// Makes the desktop (started with SoakDesktop()) this process's display and returns the X11
// backend for it; null when the desktop did not start. Call before the QApplication is made.
inline std::unique_ptr<Platform> StartInProcessX11(TestDesktop& desktop) {
    if (!desktop.Ready()) {
        return nullptr;
    }
    desktop.Server().Export();
    qputenv("QT_QPA_PLATFORM", "xcb");
    return CreateX11Platform();
}

// Prints why the run failed; returns the exit code for it.
inline int Fail(const char* why) {
    std::printf("FAIL: %s\n", why);
    return 1;
}
