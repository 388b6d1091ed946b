// The real program while the desktop changes under its clones: a source resized a thousand
// times, withdrawn, mapped again and killed; monitors removed, added and the screen resized; a
// compositing manager started and stopped.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

#include "tests/e2e/program_scene.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

constexpr QPoint kCloneCentre(2400, 540);

TEST(FaultDisplay, CloneKeepsItsImageThroughResizesUnmapsAndTheSourcesEnd) {
    ProgramScene scene;
    ASSERT_TRUE(scene.Server().Running());
    QProcess& vantrel = scene.StartVantrel();
    ASSERT_TRUE(scene.WaitForMainWindow());
    const auto source = scene.StartColourClient({"--title", "Source", "--y", "500"});
    ASSERT_NE(source.window, 0u);
    ASSERT_TRUE(scene.WaitForRows(1));
    ASSERT_TRUE(scene.PressAndWaitForClone(0, 1, kSecondDisplay));
    const auto quadrants = QuadrantProbes(kFittedColourClient);
    std::string found;
    ASSERT_TRUE(scene.ShowsWithin(quadrants, 5000, &found)) << found;

    // A thousand resizes in one burst, ending at the first size.
    QByteArray burst;
    for (int i = 0; i < 1000; ++i) {
        burst += "resize " + QByteArray::number(401 + i % 300) + " " +
                 QByteArray::number(301 + i % 200) + "\n";
    }
    source.process->write(burst);
    ASSERT_FALSE(ProgramScene::Tell(*source.process, "resize 400 300", "ok resize 400 300", 20000)
                     .isEmpty());
    found.clear();
    EXPECT_TRUE(scene.ShowsWithin(quadrants, 5000, &found)) << "after the resizes: " << found;

    // Without a window manager an unmapped window is withdrawn: it leaves the list, and its
    // row goes with the clone. Mapped again, it is listed again and can be cloned again.
    for (int round = 0; round < 3; ++round) {
        ASSERT_FALSE(ProgramScene::Tell(*source.process, "unmap").isEmpty());
        EXPECT_TRUE(WaitUntil([&] { return scene.ViewableClones().empty(); }, 5000));
        EXPECT_TRUE(scene.WaitForRows(0));
        ASSERT_FALSE(ProgramScene::Tell(*source.process, "map").isEmpty());
        ASSERT_TRUE(scene.WaitForRows(1));
        ASSERT_TRUE(scene.PressAndWaitForClone(0, 1, kSecondDisplay));
        found.clear();
        EXPECT_TRUE(scene.ShowsWithin(quadrants, 5000, &found)) << "mapped again: " << found;
    }
    EXPECT_EQ(vantrel.state(), QProcess::Running);

    // The source ends: its row and its clone go, the program stays.
    source.process->kill();
    source.process->waitForFinished(5000);
    EXPECT_TRUE(WaitUntil([&] { return scene.ViewableClones().empty(); }, 5000));
    EXPECT_TRUE(scene.WaitForRows(0));
    EXPECT_EQ(vantrel.state(), QProcess::Running);
}

TEST(FaultDisplay, MonitorsComeAndGoAndTheScreenChangesSize) {
    XvfbServer::Options big;
    big.width = 4000;
    big.height = 2000;
    ProgramScene scene(big);
    ASSERT_TRUE(scene.Server().Running());
    QProcess& vantrel = scene.StartVantrel();
    ASSERT_TRUE(scene.WaitForMainWindow());
    // Titles of a dot draw nothing where a further button would be.
    ASSERT_NE(scene.StartColourClient({"--title", ".", "--y", "500"}).window, 0u);
    ASSERT_TRUE(scene.WaitForRows(1));
    ASSERT_TRUE(scene.PressAndWaitForClone(0, 1, kSecondDisplay));

    // The clone's display goes: its clone closes, every row keeps one button and a new row
    // gets one, and the program carries on.
    ASSERT_TRUE(scene.Server().SetMonitors({{0, 0, 1600, 1080, true}}));
    EXPECT_TRUE(WaitUntil([&] { return scene.ViewableClones().empty(); }, 5000));
    ASSERT_NE(scene.StartColourClient({"--title", ".", "--x", "500", "--y", "900"}).window, 0u);
    ASSERT_TRUE(scene.WaitForRows(2));
    EXPECT_TRUE(WaitUntil([&] { return !scene.HasButton(0, 1); }, 5000));
    EXPECT_FALSE(scene.HasButton(1, 1));

    // Where the vanished display's button was there is nothing to press now.
    const QPoint button = scene.ButtonCentre(0, 1);
    scene.X().Click(button.x(), button.y());
    scene.X().Sync();
    EXPECT_TRUE(WaitUntil([&] { return scene.VisibleRows() == 2; }, 5000));
    EXPECT_TRUE(scene.ViewableClones().empty());
    EXPECT_EQ(vantrel.state(), QProcess::Running);

    // Three displays: every row has three buttons, also the ones made before.
    ASSERT_TRUE(scene.Server().SetMonitors(
        {{0, 0, 1600, 1080, true}, {1600, 0, 1600, 1080, false}, {3200, 0, 800, 600, false}}));
    ASSERT_NE(scene.StartColourClient({"--title", ".", "--x", "900", "--y", "900"}).window, 0u);
    ASSERT_TRUE(scene.WaitForRows(3));
    EXPECT_TRUE(scene.HasButton(0, 2));
    EXPECT_TRUE(scene.HasButton(2, 2));
    EXPECT_TRUE(scene.PressAndWaitForClone(2, 2, QRect(3200, 0, 800, 600)));

    // The screen shrinks under the third display's clone, and grows back.
    RunOn(scene.Server(), {"xrandr", "--fb", "3200x1080"});
    ASSERT_TRUE(WaitUntil(
        [&] { return scene.X().Geometry(scene.X().Root()) == QRect(0, 0, 3200, 1080); }, 5000));
    EXPECT_TRUE(scene.WaitForRows(3));
    RunOn(scene.Server(), {"xrandr", "--fb", "4000x2000"});
    EXPECT_TRUE(scene.WaitForRows(3));
    EXPECT_EQ(vantrel.state(), QProcess::Running);

    // A display goes while the numbers are shown on it; they go after their time.
    const QRect main = scene.MainBounds();
    scene.X().Click(main.x() + 103 + 61, main.y() + 520 + 12);
    ASSERT_TRUE(WaitUntil([&] { return scene.VisibleRows() != 3; }, 5000)) << "no overlays";
    ASSERT_TRUE(scene.Server().SetMonitors({{0, 0, 1600, 1080, true}}));
    EXPECT_TRUE(WaitUntil([&] { return scene.VisibleRows() == 3; }, 10000));
    EXPECT_EQ(vantrel.state(), QProcess::Running);
}

TEST(FaultDisplay, ClonesStayLiveAfterACompositingManagerCameAndWent) {
    ProgramScene scene;
    ASSERT_TRUE(scene.Server().Running());
    QProcess& vantrel = scene.StartVantrel();
    ASSERT_TRUE(scene.WaitForMainWindow());
    const auto source =
        scene.StartHostileClient({"--title", "Painter", "--y", "500", "--colour", "ff0000"});
    ASSERT_NE(source.window, 0u);
    ASSERT_TRUE(scene.WaitForRows(1));
    ASSERT_TRUE(scene.PressAndWaitForClone(0, 1, kSecondDisplay));
    const std::vector<ProgramScene::Probe> red = {{kCloneCentre.x(), kCloneCentre.y(), kRed}};
    ASSERT_TRUE(scene.ShowsWithin(red, 5000));

    ASSERT_TRUE(scene.Desktop().StartCompositor()) << scene.Desktop().Failure();
    ASSERT_FALSE(ProgramScene::Tell(*source.process, "fill 00ff00").isEmpty());
    EXPECT_TRUE(scene.ShowsWithin({{kCloneCentre.x(), kCloneCentre.y(), kGreen}}, 5000))
        << "not live under the compositing manager";

    scene.Desktop().StopCompositor();
    ASSERT_FALSE(ProgramScene::Tell(*source.process, "fill 0000ff").isEmpty());
    EXPECT_TRUE(scene.ShowsWithin({{kCloneCentre.x(), kCloneCentre.y(), kBlue}}, 5000))
        << "not live after the compositing manager ended";
    EXPECT_EQ(vantrel.state(), QProcess::Running);
}

}  // namespace
