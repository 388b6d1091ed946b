// The X11 window list's own cases on a private Xvfb: which windows count, window managers
// with and without a client list (a pretended one and openbox), title encodings, the
// program's own windows and the windows a taskbar leaves out.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QProcess>
#include <QRasterWindow>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/x11/X11Platform.h"
#include "platform/x11/connection/X11Context.h"
#include "tests/e2e/support/WaitUntil.h"
#include "tests/platform/X11TestSession.h"

namespace {

class X11QueryTest : public X11SessionTest {
  protected:
    void SetUp() override {
        X11SessionTest::SetUp();
        platform_ = CreateX11Platform();
    }
    // The context on Qt's connection that the platform's parts share.
    X11Context& QtContext() { return *dynamic_cast<X11Platform&>(*platform_).ToolkitContext(); }
    std::vector<WindowHandle> Snapshot() {
        last_ = platform_->Windows().Snapshot(0);
        std::vector<WindowHandle> items;
        for (const ListedWindow& w : last_) {
            items.push_back(w.handle);
        }
        return items;
    }
    // The window's title in the last snapshot; empty when it was not listed.
    std::u16string Title(WindowHandle w) {
        for (const ListedWindow& listed : last_) {
            if (listed.handle == w) {
                return listed.title.toStdU16String();
            }
        }
        return {};
    }
    // Publishes what an EWMH window manager would: a check window and a client list.
    xcb_window_t PretendWindowManager(const std::vector<xcb_window_t>& clients) {
        X11TestSession::WindowSpec shape;
        shape.map = false;
        const xcb_window_t check = s_->CreateWindow(shape);
        s_->SetProperty(check, "_NET_SUPPORTING_WM_CHECK", "WINDOW", 32, &check, 1);
        s_->SetProperty(s_->Root(), "_NET_SUPPORTING_WM_CHECK", "WINDOW", 32, &check, 1);
        s_->SetProperty(s_->Root(), "_NET_CLIENT_LIST", "WINDOW", 32, clients.data(),
                        static_cast<std::uint32_t>(clients.size()));
        return check;
    }
    void SetWmState(xcb_window_t w) {
        const std::array<std::uint32_t, 2> state{1, 0};  // NormalState, no icon
        s_->SetProperty(w, "WM_STATE", "WM_STATE", 32, state.data(), 2);
    }

    std::unique_ptr<Platform> platform_;
    std::vector<ListedWindow> last_;
};

TEST_F(X11QueryTest, WithoutWindowManagerListsSwitchableRootChildrenInStackingOrder) {
    const xcb_window_t a = s_->CreateTitled("A");
    X11TestSession::WindowSpec hidden;
    hidden.netWmName = "Unmapped";
    hidden.map = false;
    s_->CreateWindow(hidden);
    X11TestSession::WindowSpec menu;
    menu.netWmName = "Popup menu";
    menu.overrideRedirect = true;
    s_->CreateWindow(menu);
    X11TestSession::WindowSpec inputOnly;
    inputOnly.netWmName = "Input only";
    inputOnly.inputOnly = true;
    s_->CreateWindow(inputOnly);
    const xcb_window_t b = s_->CreateTitled("B");
    EXPECT_EQ(Snapshot(), (std::vector<WindowHandle>{a, b}));

    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(s_->Connection(), a, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    s_->Client().Sync();
    EXPECT_EQ(Snapshot(), (std::vector<WindowHandle>{b, a}));
}

TEST_F(X11QueryTest, FrameOfAReparentingManagerStandsForItsClient) {
    X11TestSession::WindowSpec frameSpec;
    frameSpec.netWmName = "frame";
    const xcb_window_t frame = s_->CreateWindow(frameSpec);
    X11TestSession::WindowSpec clientSpec;
    clientSpec.netWmName = "Framed client";
    clientSpec.parent = frame;
    const xcb_window_t client = s_->CreateWindow(clientSpec);
    SetWmState(client);
    const xcb_window_t plain = s_->CreateTitled("Unframed");
    EXPECT_EQ(Snapshot(), (std::vector<WindowHandle>{client, plain}));
    EXPECT_EQ(Title(client), u"Framed client");
}

TEST_F(X11QueryTest, LiveWindowManagerClientListIsTakenAsItStands) {
    const xcb_window_t first = s_->CreateTitled("First");
    X11TestSession::WindowSpec minimised;
    minimised.netWmName = "Minimised";
    minimised.map = false;
    const xcb_window_t second = s_->CreateWindow(minimised);
    const xcb_window_t missing = first + 0x100;  // listed but never made
    s_->CreateTitled("Not managed");
    PretendWindowManager({second, missing, first});
    // A listed window that does not exist is left out.
    EXPECT_EQ(Snapshot(), (std::vector<WindowHandle>{second, first}));
    EXPECT_EQ(Title(second), u"Minimised");
}

TEST_F(X11QueryTest, ClientListOfAVanishedWindowManagerIsIgnored) {
    const xcb_window_t a = s_->CreateTitled("A");
    const xcb_window_t check = PretendWindowManager({a, a + 0x100});
    s_->Destroy(check);
    EXPECT_EQ(Snapshot(), (std::vector<WindowHandle>{a}));
}

TEST_F(X11QueryTest, ProgramWindowsAreLeftOut) {
    QRasterWindow own;
    own.setTitle(QStringLiteral("Own window"));
    own.resize(120, 80);
    own.show();
    ASSERT_TRUE(WaitUntil([&] { return own.isExposed(); }, 5000));

    // A window of this program that names no pid: only the id range tells it is ours.
    xcb_connection_t* ours = QtContext().Connection();
    const xcb_window_t bare = xcb_generate_id(ours);
    xcb_create_window(ours, XCB_COPY_FROM_PARENT, bare, s_->Root(), 0, 0, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_change_property(ours, XCB_PROP_MODE_REPLACE, bare, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 4,
                        "Bare");
    xcb_map_window(ours, bare);
    xcb_flush(ours);

    X11TestSession::WindowSpec samePid;
    samePid.netWmName = "Claims our pid";
    const xcb_window_t pidWindow = s_->CreateWindow(samePid);
    const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
    s_->SetProperty(pidWindow, "_NET_WM_PID", "CARDINAL", 32, &pid, 1);
    std::array<char, 256> host{};
    gethostname(host.data(), host.size() - 1);
    s_->SetProperty(pidWindow, "WM_CLIENT_MACHINE", "STRING", 8, host.data(),
                    static_cast<std::uint32_t>(std::string(host.data()).size()));
    const xcb_window_t remote = s_->CreateTitled("Same pid, other host");
    s_->SetProperty(remote, "_NET_WM_PID", "CARDINAL", 32, &pid, 1);
    s_->SetProperty(remote, "WM_CLIENT_MACHINE", "STRING", 8, "elsewhere", 9);
    const xcb_window_t other = s_->CreateTitled("Other");

    const auto items = Snapshot();
    EXPECT_EQ(items, (std::vector<WindowHandle>{remote, other}));
    EXPECT_FALSE(QtContext().IsOwnResource(other));
    EXPECT_TRUE(QtContext().IsOwnResource(static_cast<std::uint32_t>(own.winId())));
    xcb_destroy_window(ours, bare);
    xcb_flush(ours);
}

TEST_F(X11QueryTest, TitleEncodings) {
    struct Case {
        X11TestSession::WindowSpec shape;
        std::u16string expected;
    };
    std::vector<Case> cases;
    auto add = [&](std::string net, std::string wm, std::string type, std::u16string expected) {
        X11TestSession::WindowSpec shape;
        shape.netWmName = std::move(net);
        shape.wmName = std::move(wm);
        shape.wmNameType = std::move(type);
        cases.push_back({shape, std::move(expected)});
    };
    add("",
        "Gr\xFC\xDF"
        "e",
        "STRING", u"Grüße");  // WM_NAME only, Latin-1
    add("",
        "Gr\xC3\xBC\xC3\x9F"
        "e",
        "UTF8_STRING", u"Grüße");  // WM_NAME as UTF-8
    add("", "A\x1B$)B\xC6\xFC\xCB\xDC", "COMPOUND_TEXT", u"A日本");
    add("", std::string("cut\0here", 8), "STRING", u"cut");
    add("bad \xFF byte", "fallback", "STRING", u"bad \uFFFD byte");  // _NET_WM_NAME wins
    add("\xF0\x9F\x98\x80 smile", "", "STRING", u"\U0001F600 smile");
    std::vector<xcb_window_t> windows;
    for (const Case& c : cases) {
        windows.push_back(s_->CreateWindow(c.shape));
    }
    Snapshot();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(Title(windows[i]), cases[i].expected) << i;
    }
}

// A client cannot make the program hold more than 64 KiB of its title.
TEST_F(X11QueryTest, HugeTitleIsReadInPart) {
    const xcb_window_t w = s_->CreateTitled(std::string(100000, 'h'));
    Snapshot();
    EXPECT_EQ(Title(w), std::u16string(64 * 1024, u'h'));
}

TEST_F(X11QueryTest, TitleChangeAfterTheSnapshotIsSeen) {
    const xcb_window_t w = s_->CreateTitled("Before");
    Snapshot();
    ASSERT_EQ(Title(w), u"Before");
    s_->SetProperty(w, "_NET_WM_NAME", "UTF8_STRING", 8, "After", 5);
    EXPECT_TRUE(WaitUntil(
        [&] {
            Snapshot();
            return Title(w) == u"After";
        },
        5000));
}

// What the query keeps between snapshots must follow the desktop. Each case changes the
// desktop from the other connection after a snapshot, lets the program's event loop run and
// expects a later snapshot to show the change: a fact kept without being dropped by the
// event that changes it stays stale and fails the wait.
bool Contains(const std::vector<WindowHandle>& items, WindowHandle w) {
    return std::find(items.begin(), items.end(), w) != items.end();
}

TEST_F(X11QueryTest, MappingAndUnmappingAfterASnapshotAreFollowed) {
    X11TestSession::WindowSpec later;
    later.netWmName = "Mapped later";
    later.map = false;
    const xcb_window_t w = s_->CreateWindow(later);
    const xcb_window_t steady = s_->CreateTitled("Steady");
    ASSERT_EQ(Snapshot(), (std::vector<WindowHandle>{steady}));
    for (int round = 0; round < 2; ++round) {
        xcb_map_window(s_->Connection(), w);
        s_->Client().Sync();
        EXPECT_TRUE(WaitUntil(
            [&] {
                return Snapshot() == std::vector<WindowHandle>{w, steady};
            },
            5000))
            << round;
        EXPECT_EQ(Title(w), u"Mapped later");
        xcb_unmap_window(s_->Connection(), w);
        s_->Client().Sync();
        EXPECT_TRUE(
            WaitUntil([&] { return Snapshot() == std::vector<WindowHandle>{steady}; }, 5000))
            << round;
    }
}

TEST_F(X11QueryTest, ClientMarkedInAFrameAfterASnapshotTakesItsPlace) {
    X11TestSession::WindowSpec frameSpec;
    frameSpec.netWmName = "frame";
    const xcb_window_t frame = s_->CreateWindow(frameSpec);
    // A child without WM_STATE leaves the frame standing for itself...
    X11TestSession::WindowSpec clientSpec;
    clientSpec.netWmName = "Client";
    clientSpec.parent = frame;
    const xcb_window_t client = s_->CreateWindow(clientSpec);
    ASSERT_EQ(Snapshot(), (std::vector<WindowHandle>{frame}));
    // ...until the manager marks it as its client, and again when it takes the mark back.
    SetWmState(client);
    EXPECT_TRUE(WaitUntil([&] { return Snapshot() == std::vector<WindowHandle>{client}; }, 5000));
    EXPECT_EQ(Title(client), u"Client");
    s_->DeleteProperty(client, "WM_STATE");
    EXPECT_TRUE(WaitUntil([&] { return Snapshot() == std::vector<WindowHandle>{frame}; }, 5000));
    SetWmState(client);
    ASSERT_TRUE(WaitUntil([&] { return Snapshot() == std::vector<WindowHandle>{client}; }, 5000));

    // The client goes, and a new one enters the same frame.
    s_->Destroy(client);
    EXPECT_TRUE(WaitUntil([&] { return Snapshot() == std::vector<WindowHandle>{frame}; }, 5000));
    clientSpec.netWmName = "Next client";
    const xcb_window_t next = s_->CreateWindow(clientSpec);
    SetWmState(next);
    EXPECT_TRUE(WaitUntil([&] { return Snapshot() == std::vector<WindowHandle>{next}; }, 5000));
    EXPECT_EQ(Title(next), u"Next client");
}

// The check window and the client list are read at every snapshot: no event is awaited.
TEST_F(X11QueryTest, WindowManagerStartingAndLeavingShowsInTheNextSnapshot) {
    const xcb_window_t a = s_->CreateTitled("A");
    X11TestSession::WindowSpec hidden;
    hidden.netWmName = "Minimised";
    hidden.map = false;
    const xcb_window_t b = s_->CreateWindow(hidden);
    ASSERT_EQ(Snapshot(), (std::vector<WindowHandle>{a}));
    const xcb_window_t check = PretendWindowManager({b, a});
    EXPECT_EQ(Snapshot(), (std::vector<WindowHandle>{b, a}));
    s_->Destroy(check);
    EXPECT_EQ(Snapshot(), (std::vector<WindowHandle>{a}));
    // A new manager with a new check window, then the root naming a check window that
    // does not point at itself.
    const xcb_window_t second = PretendWindowManager({b});
    EXPECT_EQ(Snapshot(), (std::vector<WindowHandle>{b}));
    s_->DeleteProperty(second, "_NET_SUPPORTING_WM_CHECK");
    EXPECT_EQ(Snapshot(), (std::vector<WindowHandle>{a}));
}

// A managed client lives in its frame, where the root hears nothing of it. When it dies and
// its id is handed out again, the new window's title must replace the old one.
TEST_F(X11QueryTest, IdOfADeadManagedClientHandedOutAgainShowsTheNewWindow) {
    X11TestSession::WindowSpec frameSpec;
    const xcb_window_t frame = s_->CreateWindow(frameSpec);
    X11TestSession::WindowSpec clientSpec;
    clientSpec.netWmName = "Old window";
    clientSpec.parent = frame;
    const xcb_window_t client = s_->CreateWindow(clientSpec);
    PretendWindowManager({client});
    ASSERT_EQ(Snapshot(), (std::vector<WindowHandle>{client}));
    ASSERT_EQ(Title(client), u"Old window");

    s_->Destroy(client);
    X11TestSession::WindowSpec again = clientSpec;
    again.netWmName = "New window";
    again.id = client;
    ASSERT_EQ(s_->CreateWindow(again), client);
    EXPECT_TRUE(WaitUntil(
        [&] {
            Snapshot();
            return Title(client) == u"New window";
        },
        5000));
}

TEST_F(X11QueryTest, WindowClaimingThisProcessAfterASnapshotIsLeftOut) {
    const xcb_window_t w = s_->CreateTitled("Turns out ours");
    const xcb_window_t other = s_->CreateTitled("Other");
    ASSERT_EQ(Snapshot(), (std::vector<WindowHandle>{w, other}));
    std::array<char, 256> host{};
    gethostname(host.data(), host.size() - 1);
    s_->SetProperty(w, "WM_CLIENT_MACHINE", "STRING", 8, host.data(),
                    static_cast<std::uint32_t>(std::string(host.data()).size()));
    const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
    s_->SetProperty(w, "_NET_WM_PID", "CARDINAL", 32, &pid, 1);
    EXPECT_TRUE(WaitUntil([&] { return !Contains(Snapshot(), w); }, 5000));
    EXPECT_TRUE(Contains(Snapshot(), other));
}

TEST_F(X11QueryTest, DesktopChangesAreReportedToTheProgram) {
    const xcb_window_t w = s_->CreateTitled("Watched");
    Snapshot();
    xcb_connection_t* ours = QtContext().Connection();
    auto mask = [&](xcb_window_t window) {
        auto attrs =
            XcbTake(ours, xcb_get_window_attributes(ours, window), xcb_get_window_attributes_reply);
        return attrs ? attrs->your_event_mask : 0u;
    };
    EXPECT_TRUE(mask(s_->Root()) & XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    EXPECT_TRUE(mask(s_->Root()) & XCB_EVENT_MASK_PROPERTY_CHANGE);
    EXPECT_TRUE(mask(w) & XCB_EVENT_MASK_PROPERTY_CHANGE);
}

// What a taskbar lists: application windows, typed normal or dialog or untyped; not the
// panels, desktops, menus and other helpers, and not a window asking to skip the taskbar.
TEST_F(X11QueryTest, WindowsATaskbarWouldNotShowAreLeftOut) {
    struct Case {
        std::vector<const char*> types;
        std::vector<const char*> states;
        bool listed;
    };
    const std::vector<Case> cases = {
        {{}, {}, true},
        {{"_NET_WM_WINDOW_TYPE_NORMAL"}, {}, true},
        {{"_NET_WM_WINDOW_TYPE_DIALOG"}, {}, true},
        {{"_KDE_NET_WM_WINDOW_TYPE_OVERRIDE", "_NET_WM_WINDOW_TYPE_NORMAL"}, {}, true},
        {{"_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_DOCK"}, {}, true},
        {{"_NET_WM_WINDOW_TYPE_DESKTOP"}, {}, false},
        {{"_NET_WM_WINDOW_TYPE_DOCK"}, {}, false},
        {{"_NET_WM_WINDOW_TYPE_TOOLBAR"}, {}, false},
        {{"_NET_WM_WINDOW_TYPE_MENU"}, {}, false},
        {{"_NET_WM_WINDOW_TYPE_UTILITY"}, {}, false},
        {{"_NET_WM_WINDOW_TYPE_SPLASH"}, {}, false},
        {{"_NET_WM_WINDOW_TYPE_DROPDOWN_MENU"}, {}, false},
        {{"_NET_WM_WINDOW_TYPE_POPUP_MENU"}, {}, false},
        {{"_NET_WM_WINDOW_TYPE_TOOLTIP"}, {}, false},
        {{"_NET_WM_WINDOW_TYPE_NOTIFICATION"}, {}, false},
        {{"_NET_WM_WINDOW_TYPE_COMBO"}, {}, false},
        {{"_NET_WM_WINDOW_TYPE_DND"}, {}, false},
        {{"_KDE_NET_WM_WINDOW_TYPE_OVERRIDE", "_NET_WM_WINDOW_TYPE_SPLASH"}, {}, false},
        {{}, {"_NET_WM_STATE_SKIP_TASKBAR"}, false},
        {{}, {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR"}, false},
        {{"_NET_WM_WINDOW_TYPE_DIALOG"}, {"_NET_WM_STATE_SKIP_PAGER"}, true},
    };
    std::vector<WindowHandle> expected;
    std::vector<xcb_window_t> windows;
    for (const Case& c : cases) {
        const xcb_window_t w = s_->CreateTitled("typed " + std::to_string(windows.size()));
        s_->SetAtoms(w, "_NET_WM_WINDOW_TYPE", c.types);
        s_->SetAtoms(w, "_NET_WM_STATE", c.states);
        windows.push_back(w);
        if (c.listed) {
            expected.push_back(w);
        }
    }
    EXPECT_EQ(Snapshot(), expected);

    // A type or state set after a snapshot is seen by the next ones.
    s_->SetAtoms(windows[0], "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_DOCK"});
    EXPECT_TRUE(WaitUntil([&] { return !Contains(Snapshot(), windows[0]); }, 5000));
    s_->SetAtoms(windows[1], "_NET_WM_STATE", {"_NET_WM_STATE_SKIP_TASKBAR"});
    EXPECT_TRUE(WaitUntil([&] { return !Contains(Snapshot(), windows[1]); }, 5000));
    s_->SetAtoms(windows[1], "_NET_WM_STATE", {});
    EXPECT_TRUE(WaitUntil([&] { return Contains(Snapshot(), windows[1]); }, 5000));
}

// A real EWMH window manager frames the clients; the list names the clients themselves,
// with their titles, and follows a client that goes.
TEST_F(X11QueryTest, FollowsTheClientListOfOpenbox) {
    QProcess openbox;
    openbox.setProcessEnvironment(s_->Server().Environment());
    openbox.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    ASSERT_TRUE(openbox.waitForStarted(5000));
    ASSERT_TRUE(s_->Client().WaitForWindowManager(10000));

    QRasterWindow own;
    own.setTitle(QStringLiteral("Quillane Vantrel"));
    own.show();
    const xcb_window_t a = s_->CreateTitled("Managed A");
    const xcb_window_t b = s_->CreateTitled("Managed B");
    EXPECT_TRUE(WaitUntil([&] { return s_->Client().TopLevelOf(a) != a; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return Snapshot() == std::vector<WindowHandle>{a, b}; }, 10000));
    EXPECT_EQ(Title(a), u"Managed A");
    EXPECT_EQ(Title(b), u"Managed B");

    s_->Destroy(a);
    EXPECT_TRUE(WaitUntil([&] { return Snapshot() == std::vector<WindowHandle>{b}; }, 10000));
    openbox.kill();
    openbox.waitForFinished(5000);
}

}  // namespace
