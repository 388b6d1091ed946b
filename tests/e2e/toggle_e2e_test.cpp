// Clone toggling in the real program on a private X server with two monitors: display
// buttons open and close clones that show the source, clones of two windows share a
// display, a title click brings a window's clones back to the front, a source that dies
// takes its row and clones along, and Exit leaves nothing behind.
#include <gtest/gtest.h>

#include <signal.h>

#include "tests/e2e/program_scene.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

const QRect kDisplay1(0, 0, 1600, 1080);
const QRect kDisplay2(1600, 0, 1600, 1080);
const QRect kDisplays[] = {kDisplay1, kDisplay2};

class ToggleE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scene.ServerReady());
        ASSERT_TRUE(scene.StartProgram()) << scene.ProgramErrors().toStdString();
    }

    void TearDown() override {
        // Nothing the program did may have raised an X error it reported.
        const QString errors = scene.ProgramErrors();
        EXPECT_FALSE(errors.contains("XCB error", Qt::CaseInsensitive)) << errors.toStdString();
    }

    // A colour client that has its row k in the list.
    ColourClient* StartListed(const QString& title, QSize size, QPoint at, int row) {
        ColourClient* client =
            scene.StartColourClient(title, size.width(), size.height(), at.x(), at.y());
        EXPECT_NE(client, nullptr);
        EXPECT_TRUE(scene.WaitForRows(row + 1)) << "rows: " << scene.VisibleRows();
        return client;
    }

    // Clicks display button `display` of row k and returns the clone that appears on that
    // display; 0 when none covers it.
    std::uint32_t OpenClone(int row, int display) {
        const auto before = scene.Clones();
        const QPoint button = scene.ButtonCentre(row, display);
        scene.X().Click(button.x(), button.y());
        return scene.WaitForNewClone(before, kDisplays[display]);
    }

    bool Shows(const std::vector<ProgramScene::Probe>& probes) {
        std::string seen;
        const bool shown = scene.ShowsWithin(probes, 5000, &seen);
        EXPECT_TRUE(shown) << seen;
        return shown;
    }

    ProgramScene scene{{{0, 0, 1600, 1080, true}, {1600, 0, 1600, 1080, false}}, 3200, 1080};
};

TEST_F(ToggleE2e, DisplayButtonTwoClonesOntoMonitorTwoAndAGainClickRemovesIt) {
    StartListed("Quadrants", {400, 300}, {0, 0}, 0);
    const std::uint32_t clone = OpenClone(0, 1);
    ASSERT_NE(clone, 0u) << "no clone covers exactly monitor 2";
    const QRect image = FittedImage({400, 300}, kDisplay2);
    Shows(QuadrantsIn(image));
    Shows(SideMarginsIn(image, kDisplay2));
    EXPECT_EQ(scene.Clones().size(), 1u);

    const QPoint button = scene.ButtonCentre(0, 1);
    scene.X().Click(button.x(), button.y());
    EXPECT_TRUE(WaitUntil([&] { return scene.Clones().empty(); }, 5000))
        << "clones left: " << scene.Clones().size();
    EXPECT_TRUE(WaitUntil([&] { return !scene.X().IsViewable(clone); }, 1000));
    // Monitor 2 no longer shows the image: nothing but the root is there.
    EXPECT_FALSE(SameColour(scene.X().PixelAt(QuadrantsIn(image)[0].x, QuadrantsIn(image)[0].y),
                            kSceneRed, 40));
}

TEST_F(ToggleE2e, TwoWindowsOnOneDisplayTheLaterOnTopUntilTheFirstTitleIsClicked) {
    // A wide and a tall source: their fitted images differ, so pixels tell which is on top.
    StartListed("Wide", {400, 300}, {0, 0}, 0);
    StartListed("Tall", {200, 400}, {0, 320}, 1);
    const std::uint32_t wideClone = OpenClone(0, 1);
    ASSERT_NE(wideClone, 0u);
    const QRect wideImage = FittedImage({400, 300}, kDisplay2);
    Shows(QuadrantsIn(wideImage));
    const std::uint32_t tallClone = OpenClone(1, 1);
    ASSERT_NE(tallClone, 0u);
    EXPECT_EQ(scene.X().Geometry(wideClone), kDisplay2);

    // The later clone is on top: the tall image with black where the wide one was red.
    const QRect tallImage = FittedImage({200, 400}, kDisplay2);
    const QPoint wideOnly(wideImage.x() + 100, wideImage.y() + 100);
    ASSERT_LT(wideOnly.x(), tallImage.x());
    Shows(QuadrantsIn(tallImage));
    Shows({{wideOnly.x(), wideOnly.y(), kSceneBlack}});
    EXPECT_LT(scene.StackingIndex(wideClone), scene.StackingIndex(tallClone));

    // A click on the first row's title brings its clone back in front.
    const QPoint title = scene.TitlePoint(0, 2);
    scene.X().Click(title.x(), title.y());
    EXPECT_TRUE(WaitUntil(
        [&] { return scene.StackingIndex(wideClone) > scene.StackingIndex(tallClone); }, 5000));
    Shows(QuadrantsIn(wideImage));

    // And the second row's title brings the tall one back.
    const QPoint secondTitle = scene.TitlePoint(1, 2);
    scene.X().Click(secondTitle.x(), secondTitle.y());
    EXPECT_TRUE(WaitUntil(
        [&] { return scene.StackingIndex(tallClone) > scene.StackingIndex(wideClone); }, 5000));
    Shows({{wideOnly.x(), wideOnly.y(), kSceneBlack}});
}

TEST_F(ToggleE2e, KilledSourceTakesItsRowAndClonesAlongWithoutInput) {
    ColourClient* doomed = StartListed("Doomed", {400, 300}, {0, 0}, 0);
    ASSERT_NE(doomed, nullptr);
    StartListed("Survivor", {300, 300}, {0, 320}, 1);
    const std::uint32_t survivorClone = OpenClone(1, 1);
    ASSERT_NE(survivorClone, 0u);
    ASSERT_NE(OpenClone(0, 1), 0u);
    // Last, as it covers the main window on display 1 until it goes with its source.
    ASSERT_NE(OpenClone(0, 0), 0u);
    ASSERT_EQ(scene.Clones().size(), 3u);
    // Move the pointer away from the program's windows; from now on no input reaches it.
    scene.X().MoveTo(3199, 1079);
    scene.X().MoveTo(1599, 1079);

    ::kill(static_cast<pid_t>(doomed->process->processId()), SIGKILL);
    doomed->process->waitForFinished(5000);
    EXPECT_TRUE(WaitUntil([&] { return scene.Clones().size() == 1; }, 3000))
        << "clones left: " << scene.Clones().size();
    EXPECT_TRUE(scene.X().IsViewable(survivorClone));
    EXPECT_TRUE(scene.WaitForRows(1, 3000)) << "rows: " << scene.VisibleRows();
    Shows(QuadrantsIn(FittedImage({300, 300}, kDisplay2)));
    EXPECT_EQ(scene.Program().state(), QProcess::Running);
}

TEST_F(ToggleE2e, ExitWithClonesOpenEndsCleanlyAndLeavesNoWindow) {
    ColourClient* first = StartListed("First", {400, 300}, {0, 0}, 0);
    StartListed("Second", {200, 400}, {0, 320}, 1);
    ASSERT_NE(OpenClone(0, 1), 0u);
    ASSERT_NE(OpenClone(1, 1), 0u);
    ASSERT_NE(OpenClone(0, 0), 0u);
    // The clone on display 1 covers the main window; the user brings the window forward.
    scene.Raise(scene.MainWindow());

    const QPoint exit = scene.ExitButtonCentre();
    scene.X().Click(exit.x(), exit.y());
    EXPECT_EQ(WaitForExit(scene.Program(), 5000), 0);
    EXPECT_TRUE(scene.Clones().empty());
    EXPECT_TRUE(scene.X().FindWindowsByTitle("Quillane Vantrel").empty());
    // The sources outlive the program, unharmed and drawn as before.
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->process->state(), QProcess::Running);
    EXPECT_TRUE(scene.X().IsViewable(first->window));
    Shows(QuadrantsIn(QRect(0, 0, 400, 300)));
    EXPECT_TRUE(scene.Tell(*first, "title still here"));
}

}  // namespace
