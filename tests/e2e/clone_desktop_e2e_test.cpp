// The real program's clones on desktops a user runs: under openbox, icewm, fluxbox, xfwm4, i3,
// awesome and with no window manager, on two monitors of different sizes (the second not at the
// top of the screen). A clone is mapped on its monitor at once (never first at a default place
// and size), never takes the keyboard focus (Space on a display button twice opens and removes
// it), and clones follow monitors that are plugged in and unplugged while they are open.
// Identify Monitors' numbers each cover their own monitor, out of the task list and without the
// keyboard. Under i3 a clone stays when its monitor shows another workspace and does not take
// the keyboard when the user moves to its monitor.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QProcess>

#include <algorithm>
#include <array>
#include <map>
#include <memory>

#include "tests/e2e/program_scene.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

const QRect kMonitor1(0, 0, 1280, 1024);
const QRect kMonitor2(1280, 124, 1600, 900);
const QRect kMonitor3(2880, 0, 1024, 768);
constexpr std::uint32_t kXkTab = 0xff09;
constexpr std::uint32_t kXkSpace = 0x0020;

DesktopOptions Desktop(WindowManager manager) {
    DesktopOptions options;
    options.width = 3904;
    options.height = 1024;
    options.monitors = {{kMonitor1.x(), kMonitor1.y(), kMonitor1.width(), kMonitor1.height(), true},
                        {kMonitor2.x(), kMonitor2.y(), kMonitor2.width(), kMonitor2.height()}};
    options.windowManager = manager;
    // Real outputs: window managers place full-screen windows by output, and fluxbox learns
    // of a monitor only when an output changes.
    options.realOutputs = true;
    return options;
}

// Watches the root's children on a connection of its own and remembers, for each top-level
// window (a clone, or the frame a window manager put it in), its geometry at its first map.
class FirstMaps {
  public:
    explicit FirstMaps(const std::string& display) : x_(display) {
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(x_.Connection(), x_.Root(), XCB_CW_EVENT_MASK, &mask);
        x_.Sync();
    }

    // Reads the events that arrived so far.
    void Drain() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x_.Connection())) {
            Take(event);
            free(event);
        }
    }

    std::optional<QRect> FirstMapOf(std::uint32_t window) {
        Drain();
        const auto it = firstMap_.find(window);
        return it == firstMap_.end() ? std::nullopt : std::optional<QRect>(it->second);
    }

  private:
    void Take(const xcb_generic_event_t* event) {
        switch (event->response_type & 0x7f) {
            case XCB_CREATE_NOTIFY: {
                const auto* e = reinterpret_cast<const xcb_create_notify_event_t*>(event);
                geometry_[e->window] = QRect(e->x, e->y, e->width, e->height);
                break;
            }
            case XCB_CONFIGURE_NOTIFY: {
                const auto* e = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
                geometry_[e->window] = QRect(e->x, e->y, e->width, e->height);
                break;
            }
            case XCB_MAP_NOTIFY: {
                const auto* e = reinterpret_cast<const xcb_map_notify_event_t*>(event);
                firstMap_.try_emplace(e->window, geometry_[e->window]);
                break;
            }
            default:
                break;
        }
    }

    XClient x_;
    std::map<std::uint32_t, QRect> geometry_;
    std::map<std::uint32_t, QRect> firstMap_;
};

std::uint32_t InputFocus(XClient& x) {
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(x.Connection(), xcb_get_input_focus(x.Connection()), nullptr);
    const std::uint32_t focus = reply != nullptr ? reply->focus : 0;
    free(reply);
    return focus;
}

// The window manager's active window (_NET_ACTIVE_WINDOW); 0 when none is set.
std::uint32_t ActiveWindow(XClient& x) {
    static const char kName[] = "_NET_ACTIVE_WINDOW";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        x.Connection(), xcb_intern_atom(x.Connection(), 0, sizeof kName - 1, kName), nullptr);
    if (atom == nullptr) {
        return 0;
    }
    const auto cookie =
        xcb_get_property(x.Connection(), 0, x.Root(), atom->atom, XCB_ATOM_WINDOW, 0, 1);
    free(atom);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(x.Connection(), cookie, nullptr);
    std::uint32_t active = 0;
    if (reply != nullptr && xcb_get_property_value_length(reply) == 4) {
        active = *static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    }
    free(reply);
    return active;
}

// Whether the window's _NET_WM_STATE holds the named state.
bool HasState(XClient& x, std::uint32_t window, const char* state) {
    const auto cookie =
        xcb_get_property(x.Connection(), 0, window, x.Atom("_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 64);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(x.Connection(), cookie, nullptr);
    bool found = false;
    if (reply != nullptr) {
        const auto* atoms = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / 4;
        found = std::find(atoms, atoms + count, x.Atom(state)) != atoms + count;
    }
    free(reply);
    return found;
}

class CloneOnDesktop : public ::testing::TestWithParam<WindowManager> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scene.ServerReady()) << scene.Failure();
        maps = std::make_unique<FirstMaps>(scene.Desktop().Display());
        ASSERT_NE(scene.StartColourClient("Quadrants", 400, 300, 800, 700), nullptr);
        ASSERT_TRUE(scene.StartProgram()) << scene.ProgramErrors().toStdString();
        ASSERT_TRUE(scene.WaitForRows(1)) << "rows: " << scene.VisibleRows();
    }

    std::string Described() {
        std::string out;
        for (std::uint32_t clone : scene.Clones()) {
            const QRect r = scene.X().Geometry(clone).value_or(QRect());
            out += " " + std::to_string(r.x()) + "," + std::to_string(r.y()) + " " +
                   std::to_string(r.width()) + "x" + std::to_string(r.height());
        }
        return "clones:" + out + " focus " + std::to_string(InputFocus(scene.X())) + " main " +
               std::to_string(scene.MainWindow()) + " active " +
               std::to_string(ActiveWindow(scene.X()));
    }

    bool ClonesOn(const QRect& display) {
        for (std::uint32_t clone : scene.Clones()) {
            if (scene.X().Geometry(clone) == display) {
                return true;
            }
        }
        return false;
    }

    // Whether the keyboard is with the main window (or its frame's children).
    bool MainHasFocus() {
        scene.X().Sync();
        const std::uint32_t focus = InputFocus(scene.X());
        return focus == scene.MainWindow() ||
               scene.X().TopLevelOf(focus) == scene.X().TopLevelOf(scene.MainWindow());
    }

    // Identify Monitors: each number covers its own monitor, is out of the task list and the
    // keyboard stays with the main window.
    void ExpectNumbersOnTheirMonitors() {
        const QPoint identify = scene.IdentifyButtonCentre();
        scene.X().Click(identify.x(), identify.y());
        const std::array monitors{kMonitor1, kMonitor2};
        for (std::size_t i = 0; i < monitors.size(); ++i) {
            SCOPED_TRACE(i + 1);
            std::uint32_t overlay = 0;
            EXPECT_TRUE(WaitUntil(
                [&] {
                    const auto found = scene.X().FindViewableWindowsByTitle(
                        QStringLiteral("Monitor %1").arg(i + 1));
                    overlay = found.size() == 1 ? found[0] : 0;
                    return overlay != 0 && scene.X().Geometry(overlay) == monitors[i];
                },
                4000))
                << "the number is not on its monitor: "
                << (overlay != 0 ? Describe(scene.X().Geometry(overlay)) : "none");
            EXPECT_TRUE(overlay == 0 || HasState(scene.X(), overlay, "_NET_WM_STATE_SKIP_TASKBAR"));
            const std::uint32_t active = ActiveWindow(scene.X());
            EXPECT_TRUE(active != overlay && active != scene.X().TopLevelOf(overlay));
        }
        EXPECT_TRUE(MainHasFocus()) << Described();
    }

    static std::string Describe(const std::optional<QRect>& r) {
        return r ? std::to_string(r->x()) + "," + std::to_string(r->y()) + " " +
                       std::to_string(r->width()) + "x" + std::to_string(r->height())
                 : "gone";
    }

    ProgramScene scene{Desktop(GetParam())};
    std::unique_ptr<FirstMaps> maps;
};

TEST_P(CloneOnDesktop, SpaceTwiceOpensAndRemovesACloneMappedInPlaceAndNumbersStayInPlace) {
    const std::uint32_t main = scene.MainWindow();
    ASSERT_TRUE(WaitUntil(
        [&] {
            return scene.X().TopLevelOf(InputFocus(scene.X())) == scene.X().TopLevelOf(main) ||
                   InputFocus(scene.X()) == main;
        },
        5000))
        << "the main window never got the keyboard focus";
    // Row 1's display button 1 comes first in keyboard order and has the focus: one Tab
    // reaches display button 2.
    scene.X().KeyTap(kXkTab);
    scene.X().KeyTap(kXkSpace);
    const std::uint32_t clone = scene.WaitForNewClone({}, kMonitor2);
    ASSERT_NE(clone, 0u) << "no clone covers monitor 2";
    // Mapped where it belongs: its first map (its frame's, under a window manager) already
    // had the monitor's place and size.
    const std::uint32_t top = scene.X().TopLevelOf(clone);
    const std::optional<QRect> firstMap = maps->FirstMapOf(top);
    ASSERT_TRUE(firstMap.has_value());
    EXPECT_EQ(firstMap->size(), kMonitor2.size());
    EXPECT_EQ(firstMap->topLeft(), kMonitor2.topLeft());
    // The keyboard stays with the main window.
    scene.X().Sync();
    const std::uint32_t focus = InputFocus(scene.X());
    EXPECT_NE(focus, clone);
    EXPECT_NE(scene.X().TopLevelOf(focus), top);
    const std::uint32_t active = ActiveWindow(scene.X());
    EXPECT_TRUE(active != clone && active != top) << "the clone became the active window";

    scene.X().KeyTap(kXkSpace);
    EXPECT_TRUE(WaitUntil([&] { return scene.Clones().empty(); }, 5000))
        << "the second Space did not remove the clone; " << Described();
    ExpectNumbersOnTheirMonitors();
    EXPECT_EQ(scene.Program().state(), QProcess::Running);
}

using MonitorChanges = CloneOnDesktop;

TEST_P(MonitorChanges, ClonesFollowMonitorsPluggedInAndOut) {
    ASSERT_TRUE(scene.PressAndWaitForClone(0, 1, kMonitor2));
    // A third monitor: the row gets its button at once, and it clones onto the new monitor.
    ASSERT_TRUE(scene.Server().AddMonitor(
        {kMonitor3.x(), kMonitor3.y(), kMonitor3.width(), kMonitor3.height()}));
    // Until the row has its third button the title lies there: press until a clone comes.
    // The window manager may move the main window when the monitors change, so the button's
    // place is read again for each press.
    EXPECT_TRUE(WaitUntil(
        [&] {
            const QPoint third = scene.ButtonCentre(0, 2);
            scene.X().Click(third.x(), third.y());
            return WaitUntil([&] { return ClonesOn(kMonitor3); }, 2000);
        },
        10000))
        << "no clone on the new monitor; " << Described();
    EXPECT_TRUE(ClonesOn(kMonitor2));

    // Monitor 2 unplugged: its clone goes, the clone on monitor 3 (now display 2) stays there,
    // and the row is back to two buttons.
    ASSERT_TRUE(scene.Server().RemoveMonitor(1));
    EXPECT_TRUE(WaitUntil([&] { return !ClonesOn(kMonitor2); }, 5000))
        << "the clone of the unplugged monitor stayed; " << Described();
    EXPECT_TRUE(WaitUntil([&] { return ClonesOn(kMonitor3) && scene.Clones().size() == 1; }, 5000))
        << Described();
    // No clone is left anywhere else, not even a tiny one.
    for (std::uint32_t clone : scene.Clones()) {
        const QRect bounds = scene.X().Geometry(clone).value_or(QRect());
        EXPECT_EQ(bounds, kMonitor3);
    }
    EXPECT_EQ(scene.Program().state(), QProcess::Running);
}

// Runs one i3 command on the scene's desktop; true once i3 answered that it carried it out.
bool I3Command(ProgramScene& scene, const QString& command) {
    QProcess message;
    message.setProcessEnvironment(scene.Desktop().Environment());
    message.start(QStringLiteral("i3-msg"), {command});
    return message.waitForFinished(5000) && message.exitStatus() == QProcess::NormalExit &&
           message.exitCode() == 0;
}

using I3Workspaces = CloneOnDesktop;

// i3 shows one workspace on each monitor and focuses a window on the monitor the user moves to.
TEST_P(I3Workspaces, CloneStaysOnEveryWorkspaceOfItsMonitorWithoutTheKeyboard) {
    const QPoint button = scene.ButtonCentre(0, 1);
    scene.X().Click(button.x(), button.y());
    const std::uint32_t clone = scene.WaitForNewClone({}, kMonitor2);
    ASSERT_NE(clone, 0u) << Described();
    ASSERT_TRUE(I3Command(scene, QStringLiteral("focus output right")));
    scene.X().Sync();
    const std::uint32_t focus = InputFocus(scene.X());
    EXPECT_TRUE(focus != clone && scene.X().TopLevelOf(focus) != scene.X().TopLevelOf(clone))
        << "moving to monitor 2 gave the clone the keyboard; " << Described();
    ASSERT_TRUE(I3Command(scene, QStringLiteral("workspace 7")));
    EXPECT_TRUE(WaitUntil([&] { return ClonesOn(kMonitor2); }, 2000))
        << "monitor 2's other workspace hides the clone; " << Described();
    ASSERT_TRUE(I3Command(scene, QStringLiteral("workspace back_and_forth")));
    EXPECT_TRUE(WaitUntil([&] { return ClonesOn(kMonitor2); }, 2000)) << Described();
    EXPECT_EQ(scene.Program().state(), QProcess::Running);
}

std::string ManagerName(const ::testing::TestParamInfo<WindowManager>& info) {
    return WindowManagerName(info.param);
}

// Every window manager under test, and none.
const auto kManagers = ::testing::Values(
    WindowManager::None, WindowManager::Openbox, WindowManager::Icewm, WindowManager::Fluxbox,
    WindowManager::Xfwm4, WindowManager::I3, WindowManager::Awesome);
INSTANTIATE_TEST_SUITE_P(Desktops, CloneOnDesktop, kManagers, ManagerName);
INSTANTIATE_TEST_SUITE_P(Desktops, MonitorChanges, kManagers, ManagerName);
INSTANTIATE_TEST_SUITE_P(Desktops, I3Workspaces, ::testing::Values(WindowManager::I3), ManagerName);

}  // namespace
