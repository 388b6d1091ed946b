// Before the toolkit starts: make sure there is an X display to run on, since the toolkit
// aborts the process when it cannot open one.
#include <xcb/xcb.h>

#include <QByteArray>

#include "app/Startup.h"

void ChooseToolkitPlatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}

std::optional<std::string> DisplayProblem() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.startsWith("xcb")) {
        return std::nullopt;
    }
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        return std::string("Vantrel needs an X11 display; DISPLAY is not set");
    }
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (error != 0) {
        return "Vantrel needs an X11 display; cannot open display \"" + display.toStdString() +
               "\"";
    }
    return std::nullopt;
}
