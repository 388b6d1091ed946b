// The X11 window query's own cases on a private Xvfb: which windows count, window
// managers with and without a client list, title encodings and the program's own windows.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QRasterWindow>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/x11/X11Context.h"
#include "platform/x11/X11Platform.h"
#include "tests/e2e/support/WaitUntil.h"
#include "tests/platform/X11TestSession.h"

namespace {

class X11QueryTest : public X11SessionTest {
  protected:
    void SetUp() override {
        X11SessionTest::SetUp();
        platform_ = CreateX11Platform();
    }
    std::vector<WindowHandle> Snapshot() {
        platform_->BuildList(0);
        std::vector<WindowHandle> items;
        for (int i = 1; i <= platform_->GetListCount(); ++i) {
            items.push_back(platform_->GetListItem(i));
        }
        return items;
    }
    std::u16string Title(WindowHandle w, int maxCount = 512) {
        std::u16string buffer(static_cast<std::size_t>(maxCount), u'?');
        const int n = platform_->GetWindowText(w, buffer.data(), maxCount);
        return buffer.substr(0, static_cast<std::size_t>(n));
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

    std::unique_ptr<TPlatform> platform_;
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
    EXPECT_EQ(Snapshot(), (std::vector<WindowHandle>{second, missing, first}));
    EXPECT_EQ(Title(missing), u"");
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
    xcb_connection_t* ours = X11Context::Get()->Connection();
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
    EXPECT_FALSE(X11Context::Get()->IsOwnResource(other));
    EXPECT_TRUE(X11Context::Get()->IsOwnResource(static_cast<std::uint32_t>(own.winId())));
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

TEST_F(X11QueryTest, HugeTitleIsReadInPart) {
    const xcb_window_t w = s_->CreateTitled(std::string(100000, 'h'));
    Snapshot();
    EXPECT_EQ(Title(w), std::u16string(511, u'h'));
    EXPECT_EQ(Title(w, 40000), std::u16string(39999, u'h'));
}

TEST_F(X11QueryTest, TitleChangeAfterTheSnapshotIsSeen) {
    const xcb_window_t w = s_->CreateTitled("Before");
    Snapshot();
    ASSERT_EQ(Title(w), u"Before");
    s_->SetProperty(w, "_NET_WM_NAME", "UTF8_STRING", 8, "After", 5);
    EXPECT_TRUE(WaitUntil([&] { return Title(w) == u"After"; }, 5000));
    Snapshot();
    EXPECT_EQ(Title(w), u"After");
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
    xcb_connection_t* ours = X11Context::Get()->Connection();
    auto mask = [&](xcb_window_t window) {
        auto attrs =
            XcbTake(ours, xcb_get_window_attributes(ours, window), xcb_get_window_attributes_reply);
        return attrs ? attrs->your_event_mask : 0u;
    };
    EXPECT_TRUE(mask(s_->Root()) & XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    EXPECT_TRUE(mask(s_->Root()) & XCB_EVENT_MASK_PROPERTY_CHANGE);
    EXPECT_TRUE(mask(w) & XCB_EVENT_MASK_PROPERTY_CHANGE);
}

}  // namespace
