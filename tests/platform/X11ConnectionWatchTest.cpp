// The connection watch on a private Xvfb with RandR 1.5 monitors: which root-reported
// ConfigureNotify events it hands on to the toolkit. The events are made here; the monitors
// they are checked against are the server's.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QByteArray>

#include "platform/x11/connection/X11ConnectionWatch.h"
#include "tests/e2e/support/XvfbServer.h"

namespace {

xcb_configure_notify_event_t Configure(xcb_window_t event, xcb_window_t window) {
    xcb_configure_notify_event_t configure{};
    configure.response_type = XCB_CONFIGURE_NOTIFY;
    configure.event = event;
    configure.window = window;
    configure.width = 100;
    configure.height = 100;
    return configure;
}

// Whether the watch lets the event through to the toolkit (which re-reads the screens).
bool Passes(X11ConnectionWatch& watch, xcb_configure_notify_event_t event) {
    return !watch.nativeEventFilter(QByteArrayLiteral("xcb_generic_event_t"), &event, nullptr);
}

// A window manager moving a top-level window reports it to the root: the toolkit hears of
// it only when the monitors changed since the watch last read them. A change that comes
// with nothing but one such move (no RandR event) is announced, once; the root's own
// configure always is.
TEST(X11ConnectionWatch, AnnouncesAMonitorChangeThatComesWithOneTopLevelMove) {
    XvfbServer server;
    ASSERT_TRUE(server.Running());
    ASSERT_TRUE(server.SetMonitors({{0, 0, 1600, 1080, true}}));
    xcb_connection_t* c = xcb_connect(server.Display().c_str(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(c), 0);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_window_t topLevel = xcb_generate_id(c);
    int lost = 0;
    {
        X11ConnectionWatch watch(
            c, [&lost] { ++lost; }, nullptr);
        EXPECT_FALSE(Passes(watch, Configure(root, topLevel))) << "a move, monitors unchanged";
        ASSERT_TRUE(server.AddMonitor({1600, 0, 1600, 1080, false}));
        EXPECT_TRUE(Passes(watch, Configure(root, topLevel))) << "the move after a new monitor";
        EXPECT_FALSE(Passes(watch, Configure(root, topLevel))) << "the next move";
        EXPECT_TRUE(Passes(watch, Configure(root, root))) << "the root's own configure";
        EXPECT_TRUE(Passes(watch, Configure(topLevel, topLevel))) << "reported to the window";
    }
    EXPECT_EQ(lost, 0);
    xcb_disconnect(c);
}

}  // namespace
