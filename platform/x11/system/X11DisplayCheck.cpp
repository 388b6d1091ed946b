#include "platform/x11/system/X11DisplayCheck.h"

#include <xcb/xcb.h>

#include <QByteArray>
#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/x11/connection/X11ConnectionWatch.h"

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

[[noreturn]] void EndWithLostConnection() {
    std::fputs("vantrel: lost the connection to the X server\n", stderr);
    std::fflush(stderr);
    // Nothing can be cleaned up on a dead connection; exit handlers would only try.
    std::_Exit(1);
}

bool ConnectionBroken(xcb_connection_t* connection) {
    return connection != nullptr && xcb_connection_has_error(connection) != 0;
}

// The toolkit warns (a failed request, then its own notice) and exits when the server has
// gone; by then the connection is marked broken, which tells that case from any other.
// Other messages are written as Qt's default handler writes them to a terminal.
void OnToolkitMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (ConnectionBroken(ToolkitConnection())) {
        EndWithLostConnection();
    }
    const QByteArray line = qFormatLogMessage(type, context, text).toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
    std::fflush(stderr);
}

}  // namespace

void WatchX11Connection() {
    xcb_connection_t* connection = ToolkitConnection();
    if (connection == nullptr) {
        return;
    }
    qInstallMessageHandler(OnToolkitMessage);
    // A write to a server that has gone must fail as an error on the connection (which the
    // checks above report), not end the process silently with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    // Owned by the application object; removes itself from the event dispatcher when it goes.
    // Installed before the backend attaches its own filter, so that one still sees every
    // event the watch keeps from the toolkit.
    auto* watch = new X11ConnectionWatch(
        connection, [] { EndWithLostConnection(); }, QCoreApplication::instance());
    QCoreApplication::instance()->installNativeEventFilter(watch);
}
