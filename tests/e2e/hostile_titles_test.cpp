// The main window against X clients that send what they like. In this process, with the
// X11 backend: titles of any bytes, a title renamed thousands of times a second, a fake
// window manager whose client list names windows that do not exist, and a window that is
// destroyed before its display button is pressed. The real program: clicks answered during
// a rename storm, and a foreign window claiming the program's own process id.
#include <gtest/gtest.h>

#include <signal.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

#include "clone/CloneForm.h"
#include "l10n/Session.h"
#include "mainwindow/MainForm.h"
#include "platform/Platform.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/connection/X11Context.h"
#include "platform/x11/thumbnails/X11Compositor.h"
#include "tests/e2e/program_scene.h"
#include "tests/e2e/support/TestDesktop.h"
#include "tests/e2e/support/WaitUntil.h"
#include "tests/e2e/support/XClient.h"

namespace {

int g_argc = 1;
char g_name[] = "hostile_titles_tests";
char* g_argv[] = {g_name, nullptr};

// Runs the event loop (which, unlike nested processEvents calls, falls idle and so runs the
// main window's refresh) until pred holds or timeoutMs passes.
bool RunLoopUntil(const std::function<bool()>& pred, int timeoutMs) {
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (pred() || clock.elapsed() >= timeoutMs) {
            loop.quit();
        }
    });
    poll.start(10);
    if (!pred()) {
        loop.exec();
    }
    return pred();
}

// One server, one application and one backend for the whole process; each test makes its
// own main window.
class SharedDesktop {
  public:
    static SharedDesktop& Get() {
        static SharedDesktop shared;
        return shared;
    }
    XvfbServer& Server() { return desktop_.Server(); }
    XClient& X() { return desktop_.X(); }
    int UnexpectedErrors() const { return *errors_; }
    // A main window on this desktop, in US English.
    std::unique_ptr<TMainForm> NewMainForm() {
        return std::make_unique<TMainForm>(*session_, *platform_);
    }

  private:
    static DesktopOptions TwoMonitors() {
        DesktopOptions options;
        options.monitors = {{0, 0, 1600, 1080, true}, {1600, 0, 1600, 1080, false}};
        return options;
    }
    SharedDesktop() : desktop_(TwoMonitors()) {
        desktop_.Server().Export();
        app_ = std::make_unique<QApplication>(g_argc, g_argv);
        platform_ = CreateX11Platform();
        session_ = std::make_unique<Session>(platform_->Encodings(), 0x0409);
        auto errors = errors_;
        auto countErrors = [errors](xcb_generic_event_t* event) {
            if (event->response_type == 0) {
                auto* error = reinterpret_cast<xcb_generic_error_t*>(event);
                std::fprintf(stderr, "unexpected X error %d, request %d.%d\n", error->error_code,
                             error->major_code, error->minor_code);
                *errors += 1;
            }
            return false;
        };
        dynamic_cast<X11Platform&>(*platform_).ToolkitContext()->AddEventHandler(countErrors);
        // The clones' thumbnails talk to the server on a connection of their own.
        X11Context* thumbnails = dynamic_cast<X11Compositor&>(platform_->Compositor()).Connection();
        if (thumbnails != nullptr) {
            thumbnails->AddEventHandler(countErrors);
        }
    }
    TestDesktop desktop_;
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<Platform> platform_;
    std::unique_ptr<Session> session_;
    std::shared_ptr<int> errors_ = std::make_shared<int>(0);
};

class HostileTitles : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SharedDesktop::Get().Server().Running()) << "Xvfb did not start";
        errorsBefore = SharedDesktop::Get().UnexpectedErrors();
    }
    void TearDown() override {
        form.reset();
        clients.clear();
        EXPECT_EQ(SharedDesktop::Get().UnexpectedErrors(), errorsBefore);
    }

    // Starts a hostile client; returns its window, 0 when it did not start.
    std::uint32_t StartHostile(const QStringList& args = {}) {
        clients.push_back(
            std::make_unique<TestProgram>(QStringLiteral(VANTREL_HOSTILE_CLIENT), args,
                                          SharedDesktop::Get().Server().Environment()));
        return clients.back()->ReadAnnouncedWindow(10000);
    }
    // Sends a command and waits for its answer, processing Qt events meanwhile.
    static QByteArray Tell(QProcess& p, const QByteArray& command, int timeoutMs = 10000) {
        p.write(command + "\n");
        QByteArray answer;
        RunLoopUntil(
            [&] {
                if (p.canReadLine()) {
                    answer = p.readLine().trimmed();
                    return true;
                }
                return false;
            },
            timeoutMs);
        return answer;
    }

    const WindowRowView* RowOf(std::uint32_t window) const {
        for (const auto& row : form->Rows()) {
            if (row->Window() == window) {
                return row.get();
            }
        }
        return nullptr;
    }

    std::unique_ptr<TMainForm> form;
    // Ended at the end of each test, before the next one starts its own.
    std::vector<std::unique_ptr<TestProgram>> clients;
    int errorsBefore = 0;
};

bool HasLoneSurrogate(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate()) {
            if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate()) {
                return true;
            }
            ++i;
        } else if (text[i].isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

struct TitleCase {
    const char* what;
    QByteArray bytes;
    bool wmNameOnly;  // WM_NAME as STRING (Latin-1) instead of _NET_WM_NAME
    bool listed;
    QString shown;
};

TEST_F(HostileTitles, EveryTitleIsShownLiterallyAndCut) {
    const QChar bad(QChar::ReplacementCharacter);
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const std::vector<TitleCase> cases = {
        {"empty", "", false, false, {}},
        {"100,000 characters", QByteArray(100000, 'x'), false, true, QString(511, 'x')},
        {"invalid UTF-8",
         "ab\xFF\xFE"
         "cd",
         false, true, QString("ab") + bad + bad + "cd"},
        {"a surrogate in CESU bytes", "a\xED\xA0\x80z", false, true,
         QString("a") + bad + bad + bad + "z"},
        {"right-to-left override",
         "\xE2\x80\xAE"
         "evil.exe",
         false, true, QString(QChar(0x202E)) + "evil.exe"},
        {"NUL inside", QByteArray("ab\0cd", 5), false, true, "ab"},
        {"NUL inside WM_NAME", QByteArray("wm\0name", 7), true, true, "wm"},
        {"only a NUL", QByteArray("\0abc", 4), false, false, {}},
        {"bold markup", "<b>bold</b>", false, true, "<b>bold</b>"},
        {"an image", "<img src=\"file:///etc/passwd\">", false, true,
         "<img src=\"file:///etc/passwd\">"},
        {"ampersands", "Save & Exit && &x", false, true, "Save & Exit && &x"},
        {"Latin-1 markup", "caf\xE9 &<i>x</i>", true, true, QString::fromUtf8("café &<i>x</i>")},
        {"a pair cut in half", QByteArray(510, 'a') + emoji.toUtf8(), false, true,
         QString(510, 'a')},
        {"a pair that fits", QByteArray(509, 'a') + emoji.toUtf8(), false, true,
         QString(509, 'a') + emoji},
    };
    std::vector<std::uint32_t> windows;
    for (const TitleCase& c : cases) {
        const std::uint32_t window = StartHostile();
        ASSERT_NE(window, 0u) << c.what;
        const QByteArray command = (c.wmNameOnly ? "wmname " : "name ") + c.bytes.toHex();
        ASSERT_TRUE(Tell(clients.back()->Process(), command).startsWith("ok")) << c.what;
        windows.push_back(window);
    }
    form = SharedDesktop::Get().NewMainForm();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TitleCase& c = cases[i];
        const WindowRowView* row = RowOf(windows[i]);
        ASSERT_EQ(row != nullptr, c.listed) << c.what;
        if (row == nullptr) {
            continue;
        }
        const QLabel* label = row->TitleLabel();
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << c.what;
        EXPECT_EQ(label->text(), c.shown) << c.what;
        EXPECT_LE(label->text().size(), 511) << c.what;
        EXPECT_FALSE(HasLoneSurrogate(label->text())) << c.what;
    }
    // The same titles again through a refresh of rows that already exist.
    form->RefreshWindowList();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (const WindowRowView* row = RowOf(windows[i])) {
            EXPECT_EQ(row->TitleLabel()->text(), cases[i].shown) << cases[i].what << " refreshed";
        }
    }
}

// A client renames its window as fast as the server allows for three seconds. The idle
// refresh keeps up without starving the event loop, and the row ends with the last title.
TEST_F(HostileTitles, RenameStormLeavesTheLoopResponsiveAndTheLastTitleShown) {
    const std::uint32_t window = StartHostile({"--title", "Calm"});
    ASSERT_NE(window, 0u);
    form = SharedDesktop::Get().NewMainForm();
    form->PrepareToRun(0x0409);
    form->show();
    ASSERT_NE(RowOf(window), nullptr);

    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    sinceTick.start();
    ticker.start();
    const QByteArray answer = Tell(clients.back()->Process(), "storm 3000 Final Title", 20000);
    ticker.stop();
    ASSERT_TRUE(answer.startsWith("stormed ")) << answer.toStdString();
    std::printf("renames: %s in 3 s; longest gap between 10 ms timer ticks: %lld ms\n",
                answer.mid(8).constData(), static_cast<long long>(longestGap));
    EXPECT_LT(longestGap, 2000) << "the event loop was starved";
    EXPECT_TRUE(RunLoopUntil(
        [&] {
            const WindowRowView* row = RowOf(window);
            return row != nullptr && row->TitleLabel()->text() == "Final Title";
        },
        5000));
    EXPECT_EQ(form->Rows().size(), 1u);
}

// A fake window manager lists ids that name nothing, the root, its own check window and the
// program's main window, beside one real client: only the real client gets a row.
TEST_F(HostileTitles, BogusClientListGivesRowsOnlyForRealWindows) {
    const std::uint32_t real = StartHostile({"--title", "Real Client"});
    ASSERT_NE(real, 0u);
    form = SharedDesktop::Get().NewMainForm();
    const auto own = static_cast<std::uint32_t>(form->winId());
    const QByteArray ids = "1234567 0 ffffffff 3ffffff self " +
                           QByteArray::number(SharedDesktop::Get().X().Root(), 16) + " " +
                           QByteArray::number(own, 16) + " self 7fffff01";
    form->PrepareToRun(0x0409);
    form->show();
    // Only ids of windows that do not exist: the real window's row goes too.
    ASSERT_TRUE(RunLoopUntil([&] { return form->Rows().size() == 1; }, 5000));
    ASSERT_TRUE(
        Tell(clients.back()->Process(), "fakewm 1234567 ffffffff 0 3fffff7").startsWith("ok"));
    EXPECT_TRUE(RunLoopUntil([&] { return form->Rows().empty(); }, 5000));
    // Bogus ids around the real one: the real window is listed again; the others never get
    // a row.
    ASSERT_TRUE(Tell(clients.back()->Process(), "fakewm " + ids).startsWith("ok"));
    ASSERT_TRUE(RunLoopUntil([&] { return form->Rows().size() == 1; }, 5000));
    ASSERT_EQ(form->Rows().size(), 1u);
    EXPECT_EQ(form->Rows()[0]->Window(), real);
    EXPECT_EQ(form->Rows()[0]->TitleLabel()->text(), "Real Client");
    // The fake manager goes away with its client: its leftovers on the root stay behind.
    clients.back()->Process().kill();
    clients.back()->Process().waitForFinished(5000);
    EXPECT_TRUE(RunLoopUntil([&] { return form->Rows().empty(); }, 5000));
}

// The window goes between the snapshot and the press of its display button: the clone opens
// black, nothing fails, and the next refresh removes the row with its clone.
TEST_F(HostileTitles, ButtonOfAWindowThatJustWentGivesABlackClone) {
    const std::uint32_t window = StartHostile({"--title", "Short-lived", "--colour", "ff0000"});
    ASSERT_NE(window, 0u);
    form = SharedDesktop::Get().NewMainForm();
    form->show();
    const WindowRowView* row = RowOf(window);
    ASSERT_NE(row, nullptr);
    ASSERT_EQ(row->DisplayButtons().size(), 2u);

    ::kill(static_cast<pid_t>(clients.back()->Pid()), SIGKILL);
    ASSERT_TRUE(clients.back()->Process().waitForFinished(5000));
    XClient& x = SharedDesktop::Get().X();
    ASSERT_TRUE(WaitUntil([&] { return !x.Exists(window); }, 5000));

    auto allBlack = [&] {
        const QImage block = x.Grab(QRect(2400, 540, 4, 4));
        for (int i = 0; i < 16; ++i) {
            if (block.isNull() || block.pixel(i % 4, i / 4) != 0xff000000u) {
                return false;
            }
        }
        return true;
    };
    // A white backdrop on the display, under where the clone will be.
    xcb_connection_t* c = x.Connection();
    const xcb_window_t backdrop = xcb_generate_id(c);
    const std::uint32_t values[] = {0xffffff, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, backdrop, x.Root(), 1600, 0, 1600, 1080, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, backdrop);
    x.Sync();
    ASSERT_TRUE(WaitUntil([&] { return x.PixelAt(2400, 540) == 0xffffffffu; }, 5000));

    // No refresh runs in between: the row still stands for the dead window.
    row->DisplayButtons()[1]->click();
    QPointer<TCloneForm> clone = row->Clone(1);
    ASSERT_NE(clone, nullptr);
    EXPECT_FALSE(clone->HasThumbnail());
    ASSERT_TRUE(WaitUntil(
        [&] {
            return x.IsViewable(static_cast<std::uint32_t>(clone->winId())) &&
                   x.Geometry(static_cast<std::uint32_t>(clone->winId())) ==
                       QRect(1600, 0, 1600, 1080);
        },
        5000));
    EXPECT_TRUE(WaitUntil(allBlack, 5000));

    form->RefreshWindowList();
    EXPECT_EQ(RowOf(window), nullptr);
    EXPECT_TRUE(clone.isNull());
    xcb_destroy_window(c, backdrop);
    x.Sync();
}

// The real program on its own desktop, clicked like a user would.

// What Qt prints for an X error that nobody handled.
bool ReportsXErrors(const QByteArray& errors) {
    return errors.contains("XCB error") || errors.contains("X Error");
}

// Time from a click on a display button until its clone is on the screen.
qint64 CloneLatency(ProgramScene& scene, int row) {
    QElapsedTimer clock;
    clock.start();
    if (!scene.PressAndWaitForClone(row, 1, kSecondDisplay, 5000)) {
        return -1;
    }
    return clock.elapsed();
}

TEST(HostileProgram, RenameStormLeavesTheProgramResponsive) {
    ProgramScene scene;
    ASSERT_TRUE(scene.Server().Running());
    QProcess& vantrel = scene.StartVantrel();
    ASSERT_TRUE(scene.WaitForMainWindow());
    ASSERT_NE(scene.StartColourClient({"--title", "Victim"}).window, 0u);
    ASSERT_TRUE(scene.WaitForRows(1));
    const auto stormer = scene.StartHostileClient({"--title", "Stormer", "--y", "400"});
    ASSERT_NE(stormer.window, 0u);
    ASSERT_TRUE(scene.WaitForRows(2));

    stormer.process->write("storm 3000 After The Storm\n");
    stormer.process->waitForBytesWritten(1000);
    QElapsedTimer storm;
    storm.start();
    ASSERT_TRUE(WaitUntil(
        [&] { return scene.X().Title(stormer.window).startsWith("After The Storm "); }, 5000));
    // Halfway through, when whatever the storm piles up has piled up.
    WaitUntil([&] { return storm.elapsed() >= 1500; }, 2000);
    const qint64 during = CloneLatency(scene, 0);
    std::printf("click to clone during the rename storm: %lld ms\n",
                static_cast<long long>(during));
    EXPECT_GE(during, 0) << "no clone appeared";
    EXPECT_LT(during, 2000) << "the program hung under the rename storm";

    const QByteArray answer = ReadLineWithin(*stormer.process, 15000);
    ASSERT_TRUE(answer.startsWith("stormed ")) << answer.toStdString();
    std::printf("renames in 3 s: %s\n", answer.mid(8).constData());
    EXPECT_EQ(vantrel.state(), QProcess::Running);

    // Released, and pressed again on the calm desktop for comparison.
    const QPoint button = scene.ButtonCentre(0, 1);
    scene.X().Click(button.x(), button.y());
    ASSERT_TRUE(WaitUntil([&] { return scene.ViewableClones().empty(); }, 5000));
    const qint64 after = CloneLatency(scene, 0);
    std::printf("click to clone after the storm: %lld ms\n", static_cast<long long>(after));
    EXPECT_GE(after, 0);
    // A new clone first shows at its default place, over the list, until the list repaints.
    EXPECT_TRUE(scene.WaitForRows(2));
    const QByteArray errors = vantrel.readAllStandardError();
    EXPECT_FALSE(ReportsXErrors(errors)) << errors.toStdString();
}

// A foreign window carrying the program's pid (but not its host name) is listed: only the
// program's own X resources, or its pid together with its host, mark a window as its own.
TEST(HostileProgram, WindowWithTheProgramsPidIsListed) {
    ProgramScene scene;
    ASSERT_TRUE(scene.Server().Running());
    QProcess& vantrel = scene.StartVantrel();
    ASSERT_TRUE(scene.WaitForMainWindow());
    const auto client = scene.StartColourClient(
        {"--title", "Impostor", "--pid", QString::number(vantrel.processId())});
    ASSERT_NE(client.window, 0u);
    EXPECT_TRUE(scene.WaitForRows(1));
    EXPECT_TRUE(scene.PressAndWaitForClone(0, 1, kSecondDisplay));
    EXPECT_EQ(vantrel.state(), QProcess::Running);
}

}  // namespace
