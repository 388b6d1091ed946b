// Before the toolkit starts: make sure there is an X display to run on, since the toolkit
// aborts the process when it cannot open one. Once it runs: end quietly with one line when
// the server goes away.
#include <xcb/xcb.h>

#include <QByteArray>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

#include "platform/x11/X11Platform.h"

std::optional<QString> X11DisplayProblem() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb")) {
        return std::nullopt;
    }
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        return QStringLiteral("Vantrel needs an X11 display; DISPLAY is not set");
    }
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (error != 0) {
        return QStringLiteral("Vantrel needs an X11 display; cannot open display \"%1\"")
            .arg(QString::fromLocal8Bit(display));
    }
    return std::nullopt;
}

namespace {

xcb_connection_t* ToolkitConnection() {
    auto* app = qGuiApp;
    auto* x11 =
        app != nullptr ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 != nullptr ? x11->connection() : nullptr;
}

// The toolkit warns (a failed request, then its own notice) and exits when the server has
// gone; by then the connection is marked broken, which tells that case from any other.
// Other messages are written as Qt's default handler writes them to a terminal.
void OnToolkitMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    xcb_connection_t* connection = ToolkitConnection();
    if (connection != nullptr && xcb_connection_has_error(connection) != 0) {
        std::fputs("vantrel: lost the connection to the X server\n", stderr);
        std::fflush(stderr);
        // Nothing can be cleaned up on a dead connection; exit handlers would only try.
        std::_Exit(1);
    }
    const QByteArray line = qFormatLogMessage(type, context, text).toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
    std::fflush(stderr);
}

}  // namespace

void WatchX11Connection() {
    if (ToolkitConnection() != nullptr) {
        qInstallMessageHandler(OnToolkitMessage);
    }
}
