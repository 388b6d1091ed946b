// The real program against X clients that misbehave: a window renamed thousands of times a
// second, a window claiming the program's own process id, and a fake window manager whose
// client list names windows that do not exist.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <cstdio>

#include "tests/e2e/fault_support.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

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

TEST(HostileProgram, FakeClientListOfMissingWindowsGivesNoRowsAndNoErrors) {
    ProgramScene scene;
    ASSERT_TRUE(scene.Server().Running());
    QProcess& vantrel = scene.StartVantrel();
    ASSERT_TRUE(scene.WaitForMainWindow());
    const auto fake = scene.StartHostileClient({"--title", "Real One"});
    ASSERT_NE(fake.window, 0u);
    ASSERT_TRUE(scene.WaitForRows(1));
    QProcess& p = *fake.process;

    // Only ids of windows that do not exist: the real window's row goes.
    ASSERT_FALSE(ProgramScene::Tell(p, "fakewm 1234567 ffffffff 0 3fffff7").isEmpty());
    EXPECT_TRUE(scene.WaitForRows(0));
    // Bogus ids around the real one: one row, for the real one.
    ASSERT_FALSE(ProgramScene::Tell(p, "fakewm 1234567 self 7fffff01 self 0").isEmpty());
    EXPECT_TRUE(scene.WaitForRows(1));
    EXPECT_TRUE(scene.PressAndWaitForClone(0, 1, kSecondDisplay));
    EXPECT_EQ(vantrel.state(), QProcess::Running);
    const QByteArray errors = vantrel.readAllStandardError();
    EXPECT_FALSE(ReportsXErrors(errors)) << errors.toStdString();
}

}  // namespace
