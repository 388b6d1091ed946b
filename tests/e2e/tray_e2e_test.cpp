// Hiding the real program's main window: without a notification area it asks to be
// minimised instead (hidden, there would be no way back) and shows no balloon; with one
// (trayer), it hides behind the tray icon with a balloon, comes back where it was with a
// click on the icon, ends with Exit from the icon's menu, and a clone open when the window
// hides stays on its display and keeps following its source.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

#include "tests/e2e/program_scene.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

const QRect kDisplay2(1600, 0, 1600, 1080);
constexpr std::uint32_t kIconicState = 3;
constexpr std::uint32_t kXkUp = 0xff52;
constexpr std::uint32_t kXkReturn = 0xff0d;

std::vector<MonitorSpec> TwoMonitors() {
    return {{0, 0, 1600, 1080, true}, {1600, 0, 1600, 1080, false}};
}

DesktopOptions WithTray() {
    DesktopOptions options;
    options.monitors = TwoMonitors();
    options.tray = true;
    return options;
}

// The program's small windows besides the main window and clones (the tray icon and the
// balloon) carry the application's name.
std::vector<std::uint32_t> OwnSmallWindows(ProgramScene& scene) {
    return scene.X().FindViewableWindowsByTitle(QStringLiteral("vantrel"));
}

// Sees the client messages sent to the root window, as a window manager would.
class RootMessages {
  public:
    explicit RootMessages(const std::string& display) {
        connection_ = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(connection_) != 0) {
            return;
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        // Qt sends its requests to the root with the structure masks a manager selects.
        const std::uint32_t mask =
            XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        std::free(
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
        const char* name = "WM_CHANGE_STATE";
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection_,
            xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        changeState_ = atom != nullptr ? atom->atom : 0;
        std::free(atom);
    }
    ~RootMessages() { xcb_disconnect(connection_); }
    RootMessages(const RootMessages&) = delete;
    RootMessages& operator=(const RootMessages&) = delete;

    // Waits for a WM_CHANGE_STATE request of window for the given state.
    bool WaitForChangeState(std::uint32_t window, std::uint32_t state, int timeoutMs) {
        bool seen = false;
        WaitUntil(
            [&] {
                while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                    if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                        auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                        seen =
                            seen || (message->type == changeState_ && message->window == window &&
                                     message->data.data32[0] == state);
                    }
                    std::free(event);
                }
                return seen;
            },
            timeoutMs);
        return seen;
    }

  private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t changeState_ = 0;
};

// Draws into another client's window, as that client would: its image changes.
void PaintWindow(XClient& x, std::uint32_t window, std::uint32_t rgb, const QRect& area) {
    xcb_connection_t* c = x.Connection();
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, XCB_GC_FOREGROUND, &rgb);
    const xcb_rectangle_t rect{
        static_cast<std::int16_t>(area.x()), static_cast<std::int16_t>(area.y()),
        static_cast<std::uint16_t>(area.width()), static_cast<std::uint16_t>(area.height())};
    xcb_poly_fill_rectangle(c, window, gc, 1, &rect);
    xcb_free_gc(c, gc);
    x.Sync();
}

TEST(HideE2e, WithoutANotificationAreaHideAsksToMinimiseAndShowsNoBalloon) {
    ProgramScene scene(TwoMonitors(), 3200, 1080);
    ASSERT_TRUE(scene.ServerReady());
    ASSERT_TRUE(scene.StartProgram());
    RootMessages messages(scene.Server().Display());
    const QPoint hide = scene.HideButtonCentre();
    scene.X().Click(hide.x(), hide.y());
    EXPECT_TRUE(messages.WaitForChangeState(scene.MainWindow(), kIconicState, 5000));
    // With no window manager to act on it, the window simply stays where it is: never
    // hidden without a way back.
    EXPECT_TRUE(scene.X().IsViewable(scene.MainWindow()));
    EXPECT_TRUE(OwnSmallWindows(scene).empty());
    EXPECT_EQ(scene.Program().state(), QProcess::Running);
}

TEST(HideE2e, WithoutANotificationAreaAWindowManagerIconifiesTheWindow) {
    ProgramScene scene(TwoMonitors(), 3200, 1080);
    ASSERT_TRUE(scene.ServerReady());
    ASSERT_TRUE(scene.StartWindowManager());
    ASSERT_TRUE(scene.StartProgram());
    const std::uint32_t main = scene.MainWindow();
    ASSERT_TRUE(WaitUntil([&] { return scene.WmState(main) == 1u; }, 5000));
    const QPoint hide = scene.HideButtonCentre();
    scene.X().Click(hide.x(), hide.y());
    EXPECT_TRUE(WaitUntil([&] { return scene.WmState(main) == kIconicState; }, 5000))
        << "WM_STATE " << scene.WmState(main).value_or(0);
    EXPECT_FALSE(scene.X().IsViewable(main));
    EXPECT_TRUE(OwnSmallWindows(scene).empty()) << "no balloon without a notification area";
    EXPECT_EQ(scene.Program().state(), QProcess::Running);
}

TEST(HideE2e, HiddenBehindTheIconAnOpenCloneStaysLive) {
    ProgramScene scene(WithTray());
    ASSERT_TRUE(scene.ServerReady()) << scene.Failure();
    ASSERT_FALSE(WaitForWindows(scene.X(), "panel", 5000).empty());
    ASSERT_TRUE(scene.StartProgram());
    ColourClient* source = scene.StartColourClient("Live", 400, 300, 0, 0);
    ASSERT_NE(source, nullptr);
    // The tray's panel is a dock, which a taskbar does not show: the source's is the only row.
    ASSERT_TRUE(scene.WaitForRows(1)) << "rows: " << scene.VisibleRows();
    const QPoint button = scene.ButtonCentre(0, 1);
    scene.X().Click(button.x(), button.y());
    const std::uint32_t clone = scene.WaitForNewClone({}, kDisplay2);
    ASSERT_NE(clone, 0u);
    std::string seen;
    EXPECT_TRUE(scene.ShowsWithin(QuadrantsIn(FittedImage({400, 300}, kDisplay2)), 5000, &seen))
        << seen;

    const QPoint hide = scene.HideButtonCentre();
    scene.X().Click(hide.x(), hide.y());
    ASSERT_TRUE(WaitUntil([&] { return !scene.X().IsViewable(scene.MainWindow()); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return !OwnSmallWindows(scene).empty(); }, 5000))
        << "the icon and its balloon";
    EXPECT_TRUE(scene.X().IsViewable(clone));
    EXPECT_EQ(scene.X().Geometry(clone), kDisplay2);

    // The source's content changes while the main window is hidden: the clone follows.
    PaintWindow(scene.X(), source->window, 0xff00ff, QRect(0, 0, 200, 150));
    const QRect image = FittedImage({400, 300}, kDisplay2);
    std::vector<ProgramScene::Probe> probes = QuadrantsIn(image);
    probes[0].colour = 0xffff00ff;
    const auto margins = SideMarginsIn(image, kDisplay2);
    probes.insert(probes.end(), margins.begin(), margins.end());
    EXPECT_TRUE(scene.ShowsWithin(probes, 5000, &seen)) << seen;
    EXPECT_EQ(scene.Clones(), std::vector<std::uint32_t>{clone});
}

// The tray icon (inside the panel, at most as high as it) or the balloon.
std::optional<QRect> OwnSmallWindow(ProgramScene& scene, bool icon) {
    for (std::uint32_t w : OwnSmallWindows(scene)) {
        const auto g = scene.X().Geometry(w);
        if (g && g->width() > 1 && (g->height() <= 32) == icon) {
            return g;
        }
    }
    return std::nullopt;
}

QRect HideAndWaitForIcon(ProgramScene& scene) {
    const QPoint hide = scene.HideButtonCentre();
    scene.X().Click(hide.x(), hide.y());
    EXPECT_TRUE(WaitUntil([&] { return !scene.X().IsViewable(scene.MainWindow()); }, 5000));
    std::optional<QRect> icon;
    EXPECT_TRUE(WaitUntil([&] { return (icon = OwnSmallWindow(scene, true)).has_value(); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return OwnSmallWindow(scene, false).has_value(); }, 5000))
        << "the balloon shows at every hide";
    return icon.value_or(QRect());
}

TEST(HideE2e, BehindTheIconAClickBringsTheWindowBackAndTheMenuEndsTheProgram) {
    ProgramScene scene(WithTray());
    ASSERT_TRUE(scene.ServerReady()) << scene.Failure();
    ASSERT_TRUE(scene.StartProgram());
    const std::uint32_t main = scene.MainWindow();
    const QRect bounds = scene.MainBounds();

    QRect icon = HideAndWaitForIcon(scene);
    scene.X().Click(icon.center().x(), icon.center().y());
    ASSERT_TRUE(WaitUntil([&] { return scene.X().IsViewable(main); }, 5000));
    EXPECT_EQ(scene.X().Geometry(main), bounds) << "the window comes back where it was";
    EXPECT_TRUE(WaitUntil([&] { return !OwnSmallWindow(scene, true).has_value(); }, 5000));

    icon = HideAndWaitForIcon(scene);
    scene.X().Click(icon.center().x(), icon.center().y(), 3);
    // The menu opens with no item chosen: Up wraps to its last item, Exit.
    ASSERT_TRUE(WaitUntil(
        [&] {
            scene.X().KeyTap(kXkUp);
            scene.X().KeyTap(kXkReturn);
            scene.X().Sync();
            return scene.Program().waitForFinished(300);
        },
        5000));
    EXPECT_EQ(WaitForExit(scene.Program(), 1000), 0);
    EXPECT_FALSE(scene.X().IsViewable(main));
}

}  // namespace
