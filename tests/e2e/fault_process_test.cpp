// The program's own process under faults: the X server going away under it, a SIGKILL with
// clones open, and twenty copies started at the same moment.
#include <gtest/gtest.h>

#include <signal.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "tests/e2e/program_scene.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

const QString kMainTitle = QStringLiteral("Quillane Vantrel");

// Opens a clone of a colour client on the second display and waits for its image.
void OpenClone(ProgramScene& scene) {
    ASSERT_NE(scene.StartColourClient({"--title", "Source", "--y", "500"}).window, 0u);
    ASSERT_TRUE(scene.WaitForRows(1));
    ASSERT_TRUE(scene.PressAndWaitForClone(0, 1, kSecondDisplay));
    std::string found;
    ASSERT_TRUE(scene.ShowsWithin(QuadrantProbes(kFittedColourClient), 5000, &found)) << found;
}

// Stops the server under the running program and checks that it ends at once, with exit
// code 1 and the one line.
void ExpectOneClearLineWhenTheServerGoes(ProgramScene& scene, QProcess& vantrel) {
    QElapsedTimer clock;
    clock.start();
    scene.Server().Stop();
    const bool ended = vantrel.waitForFinished(5000);
    std::printf("the program ended %lld ms after the X server\n",
                static_cast<long long>(clock.elapsed()));
    ASSERT_TRUE(ended) << "the program hangs without its X server";
    EXPECT_EQ(vantrel.exitStatus(), QProcess::NormalExit) << "crashed";
    EXPECT_EQ(vantrel.exitCode(), 1);
    const QString errors = QString::fromUtf8(vantrel.readAllStandardError()).trimmed();
    const QStringList lines = errors.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 1) << errors.toStdString();
    EXPECT_EQ(errors, "vantrel: lost the connection to the X server");
}

TEST(FaultProcess, LosingTheXServerEndsTheProgramWithOneClearLine) {
    ProgramScene scene;
    ASSERT_TRUE(scene.Server().Running());
    QProcess& vantrel = scene.StartVantrel();
    ASSERT_TRUE(scene.WaitForMainWindow());
    OpenClone(scene);
    ExpectOneClearLineWhenTheServerGoes(scene, vantrel);
}

// Every move of a top-level window is reported to the root window. The server goes away
// while the program still has a flood of such reports to read, and it must not be in the
// middle of re-reading the screens (which the toolkit does not survive) when it does.
TEST(FaultProcess, LosingTheXServerWhileWindowsMoveEndsTheProgramWithOneClearLine) {
    ProgramScene scene;
    ASSERT_TRUE(scene.Server().Running());
    QProcess& vantrel = scene.StartVantrel();
    ASSERT_TRUE(scene.WaitForMainWindow());
    const std::uint32_t source = scene.StartColourClient({"--title", "Source"}).window;
    ASSERT_NE(source, 0u);
    ASSERT_TRUE(scene.WaitForRows(1));
    xcb_connection_t* c = scene.X().Connection();
    for (std::uint32_t i = 0; i < 3000; ++i) {
        const std::uint32_t place[] = {i % 500, i % 300};
        xcb_configure_window(c, source, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, place);
    }
    // A round trip: the server has carried out every move and sent its reports.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    ExpectOneClearLineWhenTheServerGoes(scene, vantrel);
}

TEST(FaultProcess, SigkillWithClonesOpenLeavesNothingBehind) {
    ProgramScene scene;
    ASSERT_TRUE(scene.Server().Running());
    QProcess& vantrel = scene.StartVantrel();
    ASSERT_TRUE(scene.WaitForMainWindow());
    OpenClone(scene);
    XClient& x = scene.X();
    const std::uint32_t mainWindow = x.FindViewableWindowsByTitle(kMainTitle).at(0);

    ::kill(static_cast<pid_t>(vantrel.processId()), SIGKILL);
    ASSERT_TRUE(vantrel.waitForFinished(5000));
    EXPECT_TRUE(WaitUntil(
        [&] {
            return x.FindViewableWindowsByTitle(kMainTitle).empty() &&
                   scene.ViewableClones().empty();
        },
        5000));
    // The server has forgotten the client: no resources are left under its id range.
    xcb_connection_t* c = x.Connection();
    std::unique_ptr<xcb_res_query_client_resources_reply_t, decltype(&std::free)> resources(
        xcb_res_query_client_resources_reply(c, xcb_res_query_client_resources(c, mainWindow),
                                             nullptr),
        &std::free);
    EXPECT_FALSE(resources) << "the dead program's resources are still there";
    // The source is drawn on the screen as before, no longer redirected by anyone.
    std::string found;
    EXPECT_TRUE(scene.ShowsWithin(QuadrantProbes(QRect(0, 500, 400, 300)), 5000, &found)) << found;
    // The single-instance lock went with the process: a new copy starts at once.
    QProcess& next = scene.StartVantrel();
    EXPECT_TRUE(scene.WaitForMainWindow());
    EXPECT_EQ(next.state(), QProcess::Running);
}

TEST(FaultProcess, TwentyCopiesStartedAtOnceLeaveOne) {
    ProgramScene scene;
    ASSERT_TRUE(scene.Server().Running());
    std::vector<QProcess*> copies;
    for (int i = 0; i < 20; ++i) {
        copies.push_back(&scene.StartVantrel());
    }
    auto running = [&] {
        int n = 0;
        for (QProcess* p : copies) {
            n += p->state() != QProcess::NotRunning ? 1 : 0;
        }
        return n;
    };
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (QProcess* p : copies) {
                p->waitForFinished(0);
            }
            return running() <= 1;
        },
        20000));
    EXPECT_EQ(running(), 1);
    for (QProcess* p : copies) {
        if (p->state() == QProcess::NotRunning) {
            EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(p->exitCode(), 0);
        }
    }
    EXPECT_TRUE(scene.WaitForMainWindow());
    EXPECT_EQ(scene.X().FindWindowsByTitle(kMainTitle).size(), 1u);
}

}  // namespace
