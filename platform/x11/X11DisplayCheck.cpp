// Before the toolkit starts: make sure there is an X display to run on, since the toolkit
// aborts the process when it cannot open one. Once it runs: end quietly with one line when
// the server goes away.
#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>
#include <QObject>

#include <csignal>
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

// The toolkit re-reads every screen (a dozen round trips) on each RandR event and on each
// ConfigureNotify reported to a root window, which includes every move of every top-level
// window on the desktop; it does not survive a reply that is missing because the server went
// away in the middle. Top-level moves say nothing about the screens, so they are kept from
// it. Real screen announcements still reach it, each checked first with a round trip: a
// server that no longer answers ends the program here, with the one line.
// Installed before the backend attaches its own filter, so that one still sees every event.
class ConnectionWatch final : public QObject, public QAbstractNativeEventFilter {
  public:
    ConnectionWatch(xcb_connection_t* connection, QObject* parent)
        : QObject(parent), connection_(connection) {
        const xcb_query_extension_reply_t* randr =
            xcb_get_extension_data(connection, &xcb_randr_id);
        if (randr != nullptr && randr->present != 0) {
            randrFirstEvent_ = randr->first_event;
        }
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") {
            return false;
        }
        if (ConnectionBroken(connection_)) {
            EndWithLostConnection();
        }
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (ReportsTopLevelToRoot(event)) {
            return true;
        }
        if (AnnouncesScreens(event) && !ServerAnswers()) {
            EndWithLostConnection();
        }
        return false;
    }

  private:
    bool ReportsTopLevelToRoot(const xcb_generic_event_t* event) const {
        if ((event->response_type & 0x7f) != XCB_CONFIGURE_NOTIFY) {
            return false;
        }
        const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        return configure->window != configure->event && IsRoot(configure->event);
    }

    bool AnnouncesScreens(const xcb_generic_event_t* event) const {
        const int type = event->response_type & 0x7f;
        if (type == XCB_CONFIGURE_NOTIFY) {
            const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            return IsRoot(configure->event);
        }
        return randrFirstEvent_ >= 0 &&
               (type == randrFirstEvent_ + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                type == randrFirstEvent_ + XCB_RANDR_NOTIFY);
    }

    bool IsRoot(xcb_window_t window) const {
        for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
             it.rem > 0; xcb_screen_next(&it)) {
            if (it.data->root == window) {
                return true;
            }
        }
        return false;
    }

    bool ServerAnswers() const {
        xcb_get_input_focus_reply_t* reply =
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr);
        std::free(reply);
        return reply != nullptr;
    }

    xcb_connection_t* connection_;
    int randrFirstEvent_ = -1;
};

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
    auto* watch = new ConnectionWatch(connection, QCoreApplication::instance());
    QCoreApplication::instance()->installNativeEventFilter(watch);
}
