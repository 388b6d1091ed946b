// The X11 window query and monitors against real X clients on a private Xvfb: titles in
// several encodings, the program's own windows, clients that die, a real EWMH window
// manager (openbox), and RandR monitors set with xrandr.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QRasterWindow>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/x11/X11Platform.h"
#include "tests/e2e/support/WaitUntil.h"
#include "tests/e2e/support/XClient.h"
#include "tests/e2e/support/XvfbServer.h"

namespace {

constexpr int kTimeoutMs = 10000;

// A child process started with raw argument bytes (a Latin-1 title is not valid UTF-8,
// which QProcess would mangle). Killed and reaped when the object goes.
class Child {
  public:
    explicit Child(std::vector<std::string> argv) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        std::vector<char*> args;
        for (std::string& a : argv) {
            args.push_back(a.data());
        }
        args.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], STDOUT_FILENO);
            execvp(args[0], args.data());
            _exit(127);
        }
        close(fds[1]);
        out_ = fds[0];
    }
    ~Child() {
        Kill();
        if (out_ >= 0) {
            close(out_);
        }
    }
    // The first line the child prints, or empty when none comes in time. The program's
    // event loop keeps running meanwhile, as it would for real: a window manager may be
    // waiting for an answer from the program's windows before it handles the child's.
    std::string ReadLine(int timeoutMs) {
        std::string line;
        bool complete = false;
        WaitUntil(
            [&] {
                pollfd p{out_, POLLIN, 0};
                char c = 0;
                while (!complete && out_ >= 0 && poll(&p, 1, 0) > 0) {
                    if (read(out_, &c, 1) != 1 || c == '\n') {
                        complete = true;
                    } else {
                        line.push_back(c);
                    }
                }
                return complete;
            },
            timeoutMs);
        return line;
    }
    void Kill() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
};

// One server and one application per process; ctest runs every case in its own process.
struct Session {
    XvfbServer server;
    std::unique_ptr<QGuiApplication> app;
};
Session* TheSession() {
    static std::unique_ptr<Session> session;
    static int argc = 1;
    static char name[] = "x11_query_test";
    static char* argv[] = {name, nullptr};
    if (!session) {
        session = std::make_unique<Session>();
        if (!session->server.Running()) {
            return nullptr;
        }
        session->server.Export();
        session->app = std::make_unique<QGuiApplication>(argc, argv);
        // The application must go before its server.
        std::atexit([] { session.reset(); });
    }
    return session.get();
}

class X11QueryE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        session_ = TheSession();
        ASSERT_NE(session_, nullptr) << "Xvfb did not start";
        platform_ = CreateX11Platform();
        x_ = std::make_unique<XClient>(session_->server.Display());
        ASSERT_TRUE(x_->Connected());
    }

    // Starts a colour client and returns its window id (0 when it did not come up).
    WindowHandle StartClient(const std::string& title, bool wmNameOnly = false) {
        std::vector<std::string> argv{
            VANTREL_COLOUR_CLIENT, "--title", title, "--width", "160", "--height", "90"};
        if (wmNameOnly) {
            argv.push_back("--wm-name-only");
        }
        clients_.push_back(std::make_unique<Child>(argv));
        const std::string line = clients_.back()->ReadLine(kTimeoutMs);
        if (line.rfind("window 0x", 0) != 0) {
            return 0;
        }
        return static_cast<WindowHandle>(std::stoul(line.substr(9), nullptr, 16));
    }

    std::vector<WindowHandle> Snapshot() {
        platform_->BuildList(0);
        std::vector<WindowHandle> items;
        for (int i = 1; i <= platform_->GetListCount(); ++i) {
            items.push_back(platform_->GetListItem(i));
        }
        return items;
    }
    bool Listed(WindowHandle w) {
        const auto items = Snapshot();
        return std::find(items.begin(), items.end(), w) != items.end();
    }
    std::u16string Title(WindowHandle w) {
        char16_t buffer[512];
        const int n = platform_->GetWindowText(w, buffer, 512);
        return std::u16string(buffer, static_cast<std::size_t>(n));
    }

    Session* session_ = nullptr;
    std::unique_ptr<TPlatform> platform_;
    std::unique_ptr<XClient> x_;
    std::vector<std::unique_ptr<Child>> clients_;
};

TEST_F(X11QueryE2e, ListsClientsWithTheirTitlesButNotTheProgramsWindows) {
    QRasterWindow own;
    own.setTitle(QStringLiteral("Quillane Vantrel"));
    own.resize(200, 100);
    own.show();
    ASSERT_TRUE(WaitUntil([&] { return own.isExposed(); }, kTimeoutMs));

    const WindowHandle unicode = StartClient("Grüße – 日本");
    const WindowHandle longTitle = StartClient(std::string(600, 'L'));
    const WindowHandle latin1 = StartClient("Caf\xE9 cr\xE8me", true);
    ASSERT_NE(unicode, 0u);
    ASSERT_NE(longTitle, 0u);
    ASSERT_NE(latin1, 0u);

    const auto items = Snapshot();
    EXPECT_EQ(items, (std::vector<WindowHandle>{unicode, longTitle, latin1}));
    EXPECT_EQ(Title(unicode), u"Grüße – 日本");
    EXPECT_EQ(Title(longTitle), std::u16string(511, u'L'));
    EXPECT_EQ(Title(latin1), u"Café crème");
}

TEST_F(X11QueryE2e, ClientThatDiesAfterTheSnapshotHasNoTitle) {
    const WindowHandle w = StartClient("Short-lived");
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(Listed(w));
    ASSERT_EQ(Title(w), u"Short-lived");
    clients_.back()->Kill();
    EXPECT_TRUE(WaitUntil([&] { return Title(w).empty(); }, kTimeoutMs));
    EXPECT_FALSE(Listed(w));
    EXPECT_EQ(Title(w), u"");
}

TEST_F(X11QueryE2e, FollowsTheClientListOfARealWindowManager) {
    Child openbox({"openbox", "--sm-disable"});
    ASSERT_TRUE(x_->WaitForWindowManager(kTimeoutMs));

    QRasterWindow own;
    own.setTitle(QStringLiteral("Quillane Vantrel"));
    own.show();
    const WindowHandle a = StartClient("Managed A");
    const WindowHandle b = StartClient("Managed B");
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    // The manager has framed the clients; the list names the clients themselves.
    EXPECT_NE(x_->TopLevelOf(a), a);
    ASSERT_TRUE(WaitUntil(
        [&] {
            return Snapshot() == std::vector<WindowHandle>{a, b};
        },
        kTimeoutMs));
    EXPECT_EQ(Title(a), u"Managed A");
    EXPECT_EQ(Title(b), u"Managed B");

    clients_.front()->Kill();
    EXPECT_TRUE(WaitUntil([&] { return Snapshot() == std::vector<WindowHandle>{b}; }, kTimeoutMs));
    EXPECT_EQ(Title(a), u"");
}

TEST_F(X11QueryE2e, MonitorsComeBackAsSetPrimaryFirst) {
    ASSERT_TRUE(session_->server.SetMonitors(
        {{0, 0, 1280, 1080, false}, {1280, 0, 1024, 768, true}, {2304, 0, 896, 600, false}}));
    ASSERT_EQ(platform_->GetMonitorCount(), 3);
    EXPECT_EQ(platform_->GetMonitorInfo(0), DisplayRect({1280, 0, 1024, 768}));
    EXPECT_EQ(platform_->GetMonitorInfo(1), DisplayRect({0, 0, 1280, 1080}));
    EXPECT_EQ(platform_->GetMonitorInfo(2), DisplayRect({2304, 0, 896, 600}));
    EXPECT_EQ(platform_->GetMonitorInfo(3), DisplayRect{});

    ASSERT_TRUE(
        session_->server.SetMonitors({{0, 0, 1600, 1080, false}, {1600, 0, 1600, 1080, false}}));
    ASSERT_EQ(platform_->GetMonitorCount(), 2);
    EXPECT_EQ(platform_->GetMonitorInfo(0), DisplayRect({0, 0, 1600, 1080}));
    EXPECT_EQ(platform_->GetMonitorInfo(1), DisplayRect({1600, 0, 1600, 1080}));
    EXPECT_EQ(platform_->GetMonitorInfo(2), DisplayRect{});
}

}  // namespace
