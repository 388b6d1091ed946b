// Checks the test desktop itself: each window manager takes over before the desktop says it
// is ready, monitors come and go while it runs, the tray host and the compositing manager
// hold their selections, programs' output and exit codes come back, vantrel_desktop passes a
// command's exit code on, and nothing the desktop started outlives it.
#include <gtest/gtest.h>

#include <unistd.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "tests/e2e/support/TestDesktop.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

// Processes whose parent is this test process (zombies included).
int ChildProcesses() {
    int children = 0;
    const QString self = QString::number(getpid());
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        // "pid (comm) state ppid ...": the comm may hold spaces, so read after its ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        children += fields.size() > 1 && fields[1] == self.toUtf8() ? 1 : 0;
    }
    return children;
}

bool SelectionOwned(XClient& x, const char* name) {
    xcb_connection_t* c = x.Connection();
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        atom ? xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr)
             : nullptr,
        &std::free);
    return owner && owner->owner != XCB_WINDOW_NONE;
}

std::string Monitors(XvfbServer& server) {
    std::string listing;
    RunOn(server, {"xrandr", "--listmonitors"}, &listing);
    return listing;
}

class WindowManagers : public ::testing::TestWithParam<WindowManager> {};

TEST_P(WindowManagers, FramesANewWindowAtOnceAndEndsWithTheDesktop) {
    ASSERT_EQ(ChildProcesses(), 0);
    {
        DesktopOptions options;
        options.windowManager = GetParam();
        TestDesktop desktop(options);
        ASSERT_TRUE(desktop.Ready()) << desktop.Failure();
        TestProgram& client = desktop.Start(QStringLiteral(VANTREL_COLOUR_CLIENT),
                                            {"--title", "Framed", "--x", "50", "--y", "50"});
        const std::uint32_t window = client.ReadAnnouncedWindow(5000);
        ASSERT_NE(window, 0u);
        EXPECT_TRUE(WaitUntil([&] { return desktop.X().TopLevelOf(window) != window; }, 5000))
            << "the window was not framed by " << WindowManagerName(GetParam());
    }
    EXPECT_TRUE(WaitUntil([] { return ChildProcesses() == 0; }, 5000))
        << ChildProcesses() << " processes outlived the desktop";
}

INSTANTIATE_TEST_SUITE_P(Desktop, WindowManagers,
                         ::testing::Values(WindowManager::Openbox, WindowManager::Icewm,
                                           WindowManager::Fluxbox, WindowManager::Xfwm4,
                                           WindowManager::I3, WindowManager::Awesome),
                         [](const auto& info) {
                             return std::string(WindowManagerName(info.param));
                         });

TEST(TestDesktop, NamesOfWindowManagersReadBack) {
    for (WindowManager m :
         {WindowManager::None, WindowManager::Openbox, WindowManager::Icewm, WindowManager::Fluxbox,
          WindowManager::Xfwm4, WindowManager::Xfwm4NoCompositor, WindowManager::I3,
          WindowManager::Awesome}) {
        EXPECT_EQ(ParseWindowManager(WindowManagerName(m)), m);
    }
    EXPECT_FALSE(ParseWindowManager("twm").has_value());
}

// On Xvfb monitors are RandR monitors without outputs; on Xorg with the dummy driver each is
// an output that is turned on and off.
struct MonitorKind {
    bool realOutputs;
    const char* first;   // how the listing names the monitors
    const char* second;  // (the second, unplugged later)
    const char* third;   // and the third, plugged in later
};

class MonitorsOf : public ::testing::TestWithParam<MonitorKind> {};

TEST_P(MonitorsOf, ArePluggedInAndOutWhileItRuns) {
    const MonitorKind kind = GetParam();
    DesktopOptions options;
    options.realOutputs = kind.realOutputs;
    options.monitors = {{0, 0, 1600, 1080, true}, {1600, 200, 1280, 720, false}};
    TestDesktop desktop(options);
    ASSERT_TRUE(desktop.Ready()) << desktop.Failure();
    std::string listing = Monitors(desktop.Server());
    EXPECT_NE(listing.find("Monitors: 2"), std::string::npos) << listing;
    EXPECT_NE(listing.find(std::string(kind.second) + " 1280/"), std::string::npos) << listing;
    EXPECT_NE(listing.find("x720/"), std::string::npos) << listing;
    EXPECT_NE(listing.find("+1600+200"), std::string::npos) << listing;

    ASSERT_TRUE(desktop.Server().AddMonitor({2880, 0, 320, 240, false}));
    listing = Monitors(desktop.Server());
    EXPECT_NE(listing.find("Monitors: 3"), std::string::npos) << listing;
    EXPECT_NE(listing.find(std::string(kind.third) + " 320/"), std::string::npos) << listing;

    ASSERT_TRUE(desktop.Server().RemoveMonitor(1));
    listing = Monitors(desktop.Server());
    EXPECT_NE(listing.find("Monitors: 2"), std::string::npos) << listing;
    EXPECT_EQ(listing.find(std::string(kind.second) + " "), std::string::npos) << listing;
    EXPECT_NE(listing.find(std::string(kind.first) + " 1600/"), std::string::npos) << listing;
    ASSERT_EQ(desktop.Server().Monitors().size(), 2u);
    EXPECT_EQ(desktop.Server().Monitors()[1].x, 2880);
    EXPECT_FALSE(desktop.Server().RemoveMonitor(2));
    if (kind.realOutputs) {
        // The unplugged output is free again for the next monitor.
        ASSERT_TRUE(desktop.Server().AddMonitor({1600, 0, 640, 480, false}));
        listing = Monitors(desktop.Server());
        EXPECT_NE(listing.find(std::string(kind.second) + " 640/"), std::string::npos) << listing;
    }
}

INSTANTIATE_TEST_SUITE_P(Desktop, MonitorsOf,
                         ::testing::Values(MonitorKind{false, "V1", "V2", "V3"},
                                           MonitorKind{true, "DUMMY0", "DUMMY1", "DUMMY2"}),
                         [](const auto& info) {
                             return std::string(info.param.realOutputs ? "Xorg" : "Xvfb");
                         });

TEST(TestDesktop, TrayAndCompositorHoldTheirSelections) {
    DesktopOptions options;
    options.tray = true;
    options.compositor = true;
    TestDesktop desktop(options);
    ASSERT_TRUE(desktop.Ready()) << desktop.Failure();
    EXPECT_TRUE(SelectionOwned(desktop.X(), "_NET_SYSTEM_TRAY_S0"));
    EXPECT_TRUE(SelectionOwned(desktop.X(), "_NET_WM_CM_S0"));
    desktop.StopCompositor();
    EXPECT_FALSE(SelectionOwned(desktop.X(), "_NET_WM_CM_S0"));
    EXPECT_TRUE(SelectionOwned(desktop.X(), "_NET_SYSTEM_TRAY_S0"));
}

TEST(TestDesktop, ScreenshotCoversTheScreen) {
    DesktopOptions options;
    options.width = 800;
    options.height = 600;
    TestDesktop desktop(options);
    ASSERT_TRUE(desktop.Ready()) << desktop.Failure();
    desktop.Start(QStringLiteral(VANTREL_COLOUR_CLIENT),
                  {"--width", "200", "--height", "100", "--x", "600", "--y", "500"});
    ASSERT_TRUE(WaitUntil([&] { return desktop.PixelAt(650, 525) == 0xffff0000u; }, 5000));
    const QImage all = desktop.Screenshot();
    EXPECT_EQ(all.size(), QSize(800, 600));
    EXPECT_EQ(all.pixel(750, 575), 0xffffffffu);
    EXPECT_EQ(desktop.Screenshot(QRect(600, 500, 100, 50)).pixel(50, 25), 0xffff0000u);
}

TEST(TestProgram, OutputErrorsAndExitCodeComeBack) {
    struct Case {
        const char* script;
        QByteArray line;
        std::optional<int> exit;
        const char* errors;
    };
    const Case cases[] = {
        {"echo out; echo err >&2; exit 7", "out", 7, "err"},
        {"echo first; kill -KILL $$", "first", -1, ""},
        {"read line; echo \"got $line\"", "got hello", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        TestProgram p("sh", {"-c", c.script}, QProcessEnvironment::systemEnvironment(),
                      TestProgram::ErrorOutput::Keep);
        ASSERT_TRUE(p.Started());
        p.Write("hello");
        EXPECT_EQ(p.ReadLine(5000), c.line);
        EXPECT_EQ(p.WaitForExit(5000), c.exit);
        EXPECT_TRUE(p.Errors().contains(c.errors)) << p.Errors().toStdString();
    }
    TestProgram endless("sleep", {"60"}, QProcessEnvironment::systemEnvironment());
    EXPECT_FALSE(endless.WaitForExit(100).has_value());
    endless.Stop(1000);
    EXPECT_FALSE(endless.Running());
}

TEST(VantrelDesktop, RunsTheCommandOnItsMonitorsAndPassesItsExitCodeOn) {
    TestProgram tool(
        QStringLiteral(VANTREL_DESKTOP_TOOL),
        {"--screen", "1000x800", "--monitor", "600x800+0+0", "--monitor", "400x300+600+100", "--",
         "sh", "-c", "xrandr --listmonitors | grep -c V; exit 5"},
        QProcessEnvironment::systemEnvironment());
    EXPECT_EQ(tool.ReadLine(10000), "2");
    EXPECT_EQ(tool.WaitForExit(10000), 5);

    TestProgram wrong(QStringLiteral(VANTREL_DESKTOP_TOOL), {"--wm", "twm", "--", "true"},
                      QProcessEnvironment::systemEnvironment(), TestProgram::ErrorOutput::Keep);
    EXPECT_EQ(wrong.WaitForExit(10000), 2);
    EXPECT_TRUE(wrong.Errors().contains("twm")) << wrong.Errors().toStdString();
}

}  // namespace
