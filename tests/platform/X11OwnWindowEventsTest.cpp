// The window query watches other clients' windows for property changes and stops watching a
// window after its first change. Event masks are per connection, so doing that to one of
// the program's own windows would take away the PropertyChange reports Qt chose for it.
// The test puts an own window where a snapshot consults it, changes a property on it, lets
// the program handle the notification and expects Qt's bit to be there still.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QGuiApplication>

#include <cstdlib>
#include <memory>

#include "platform/x11/X11Platform.h"
#include "platform/x11/connection/X11Context.h"
#include "tests/e2e/support/WaitUntil.h"
#include "tests/platform/X11TestSession.h"

namespace {

constexpr std::uint32_t kQtMask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_EXPOSURE;

// Qt's connection, the one the program's windows are made on.
xcb_connection_t* QtConnection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

void RoundTrip(xcb_connection_t* c) {
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

// This connection's event mask on the window, as the server holds it.
std::uint32_t OurMask(xcb_window_t window) {
    xcb_connection_t* c = QtConnection();
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attrs(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr),
        &std::free);
    return attrs ? attrs->your_event_mask : 0;
}

// A window made through the program's own connection, selecting what Qt selects on its
// windows (property changes among them).
xcb_window_t MakeOwnWindow(xcb_window_t parent) {
    xcb_connection_t* c = QtConnection();
    const xcb_window_t w = xcb_generate_id(c);
    const std::uint32_t events = kQtMask;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, parent, 0, 0, 60, 40, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 3,
                        "Own");
    xcb_map_window(c, w);
    RoundTrip(c);
    return w;
}

// Counts the PropertyNotify events of one window the program receives. Added after the
// platform, so it runs after the window query's handler: a count means that handler is done.
class PropertyNotifies {
  public:
    PropertyNotifies(X11Context& context, xcb_window_t window)
        : context_(context), window_(window) {
        id_ = context_.AddEventHandler([this](xcb_generic_event_t* e) {
            if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                reinterpret_cast<xcb_property_notify_event_t*>(e)->window == window_) {
                ++count;
            }
            return false;
        });
    }
    ~PropertyNotifies() { context_.RemoveEventHandler(id_); }
    PropertyNotifies(const PropertyNotifies&) = delete;
    PropertyNotifies& operator=(const PropertyNotifies&) = delete;
    int count = 0;

  private:
    X11Context& context_;
    xcb_window_t window_;
    int id_ = 0;
};

using X11OwnWindowEventsTest = X11SessionTest;

// A host that reparents without EWMH (a tray host, an old window manager) holds one of
// the program's windows in a frame of its own; with no window manager the walk consults
// what every frame holds.
TEST_F(X11OwnWindowEventsTest, OwnWindowInAForeignFrameKeepsQtsPropertyReports) {
    X11Platform platform;
    X11Context* context = platform.ToolkitContext();
    ASSERT_NE(context, nullptr);
    xcb_connection_t* ours = context->Connection();
    X11TestSession::WindowSpec frame;
    frame.netWmName = "Foreign frame";
    const xcb_window_t own = MakeOwnWindow(s_->CreateWindow(frame));
    ASSERT_EQ(OurMask(own) & kQtMask, kQtMask);

    platform.Windows().Snapshot(0);
    PropertyNotifies notifies(*context, own);
    // Two changes, each after the program handled the one before: the first is where the
    // query would stop watching, the second shows whether Qt still hears of changes.
    for (int round = 1; round <= 2; ++round) {
        xcb_change_property(ours, XCB_PROP_MODE_REPLACE, own, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            5, round == 1 ? "First" : "Again");
        xcb_flush(ours);
        ASSERT_TRUE(WaitUntil([&] { return notifies.count >= round; }, 5000))
            << "no PropertyNotify " << round << " reached the program";
        EXPECT_EQ(OurMask(own) & kQtMask, kQtMask) << "after change " << round;
        platform.Windows().Snapshot(0);
    }
    xcb_destroy_window(ours, own);
    RoundTrip(ours);
}

}  // namespace
