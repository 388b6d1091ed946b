// Where the real program puts a clone, under each window manager a user may run and without
// one, on monitors that are real outputs: on two monitors of different sizes, the second not at the
// top of the screen, display button 2 gives a clone that covers monitor 2 exactly and shows the
// whole source, fitted and centred, with black margins beside it. Under awesome the clone stays
// on monitor 2 and live while the source's monitor shows another tag and comes back.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/program_scene.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

const QRect kMonitor1(0, 0, 1280, 1024);
const QRect kMonitor2(1280, 124, 1600, 900);
constexpr std::uint32_t kXkSuperL = 0xffeb;
constexpr std::uint32_t kXkOne = 0x31;

DesktopOptions Desktop(WindowManager manager) {
    DesktopOptions options;
    options.width = 2880;
    options.height = 1024;
    options.monitors = {{kMonitor1.x(), kMonitor1.y(), kMonitor1.width(), kMonitor1.height(), true},
                        {kMonitor2.x(), kMonitor2.y(), kMonitor2.width(), kMonitor2.height()}};
    options.windowManager = manager;
    options.realOutputs = true;  // window managers place full-screen windows by output
    return options;
}

// The probes of QuadrantsIn once the colour client has turned its colours by one quadrant.
std::vector<ProgramScene::Probe> TurnedQuadrantsIn(const QRect& image) {
    std::vector<ProgramScene::Probe> probes = QuadrantsIn(image);
    const std::vector<ProgramScene::Probe> before = probes;
    for (std::size_t i = 0; i < probes.size(); ++i) {
        probes[i].colour = before[(i + 1) % before.size()].colour;
    }
    return probes;
}

// awesome (its default keys) shows tag n of the monitor under the pointer on Super+n. Hiding
// a tag unmaps the frames of its windows, not the windows: the source becomes unviewable and
// viewable again without a map of its own. True once the source's state followed.
bool ShowAwesomeTag(ProgramScene& scene, int tag, std::uint32_t source) {
    scene.X().KeyTap(kXkOne + static_cast<std::uint32_t>(tag - 1), kXkSuperL);
    return WaitUntil([&] { return scene.X().IsViewable(source) == (tag == 1); }, 5000);
}

class ClonePlacement : public ::testing::TestWithParam<WindowManager> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scene.ServerReady()) << scene.Failure();
        ASSERT_TRUE(scene.StartProgram()) << scene.ProgramErrors().toStdString();
    }

    ProgramScene scene{Desktop(GetParam())};
};

TEST_P(ClonePlacement, DisplayButtonTwoCoversMonitorTwoWithTheWholeSource) {
    ColourClient* source = scene.StartColourClient("Quadrants", 400, 300, 800, 700);
    ASSERT_NE(source, nullptr);
    ASSERT_TRUE(scene.WaitForRows(1)) << "rows: " << scene.VisibleRows();

    const QPoint button = scene.ButtonCentre(0, 1);
    scene.X().Click(button.x(), button.y());
    const std::uint32_t clone = scene.WaitForNewClone({}, kMonitor2);
    ASSERT_NE(clone, 0u) << "no clone covers exactly monitor 2";

    const QRect image = FittedImage({400, 300}, kMonitor2);
    std::string seen;
    EXPECT_TRUE(scene.ShowsWithin(QuadrantsIn(image), 5000, &seen)) << seen;
    EXPECT_TRUE(scene.ShowsWithin(SideMarginsIn(image, kMonitor2), 5000, &seen)) << seen;
    // Monitor 1 keeps the program's own window: the clone did not spill over.
    EXPECT_EQ(scene.Clones().size(), 1u);
    if (GetParam() == WindowManager::Awesome) {
        ASSERT_TRUE(ShowAwesomeTag(scene, 2, source->window)) << "Super+2 did not hide the source";
        EXPECT_TRUE(scene.X().IsViewable(clone) && scene.X().Geometry(clone) == kMonitor2)
            << "tag 2 hid or moved the clone";
        ASSERT_TRUE(ShowAwesomeTag(scene, 1, source->window)) << "Super+1 did not show it again";
        ASSERT_TRUE(scene.Tell(*source, "turn"));
        EXPECT_TRUE(scene.ShowsWithin(TurnedQuadrantsIn(image), 5000, &seen))
            << "the clone froze after the tag round trip: " << seen;
        EXPECT_EQ(scene.X().Geometry(clone), kMonitor2);
    }
    EXPECT_EQ(scene.Program().state(), QProcess::Running);
}

// A clone on the monitor that has the window manager's panel covers the panel too: the
// strip along the bottom of monitor 1, below the fitted image, is the clone's black.
TEST_P(ClonePlacement, DisplayButtonOneCoversMonitorOneWithItsPanel) {
    ASSERT_NE(scene.StartColourClient("Quadrants", 400, 300, 1800, 300), nullptr);
    ASSERT_TRUE(scene.WaitForRows(1)) << "rows: " << scene.VisibleRows();

    const QPoint button = scene.ButtonCentre(0, 0);
    scene.X().Click(button.x(), button.y());
    const std::uint32_t clone = scene.WaitForNewClone({}, kMonitor1);
    ASSERT_NE(clone, 0u) << "no clone covers exactly monitor 1";

    // The strip is below the fitted image and below the program's own window.
    const QRect image = FittedImage({400, 300}, kMonitor1);
    std::string seen;
    const int bottom = kMonitor1.bottom() - 4;
    ASSERT_GT(bottom, image.bottom());
    const std::vector<ProgramScene::Probe> strip = {{kMonitor1.left() + 4, bottom, kSceneBlack},
                                                    {kMonitor1.center().x(), bottom, kSceneBlack},
                                                    {kMonitor1.right() - 4, bottom, kSceneBlack}};
    EXPECT_TRUE(scene.ShowsWithin(strip, 5000, &seen)) << seen;
    // The clone is in front of the program's own window, which is on the same monitor.
    const QRect main = scene.MainBounds();
    std::vector<ProgramScene::Probe> overMain;
    for (const ProgramScene::Probe& probe : QuadrantsIn(image)) {
        if (main.contains(probe.x, probe.y)) {
            overMain.push_back(probe);
        }
    }
    ASSERT_FALSE(overMain.empty()) << "no probe of the image lies over the main window";
    EXPECT_TRUE(scene.ShowsWithin(overMain, 5000, &seen)) << seen;
}

// Test names take no '-'.
std::string ManagerName(const ::testing::TestParamInfo<WindowManager>& info) {
    std::string name = WindowManagerName(info.param);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

// xfwm4 with its own compositor and without it: with it, the clone reaches the screen only
// through xfwm4's painting.
INSTANTIATE_TEST_SUITE_P(Desktops, ClonePlacement,
                         ::testing::Values(WindowManager::None, WindowManager::Openbox,
                                           WindowManager::Icewm, WindowManager::Fluxbox,
                                           WindowManager::Xfwm4, WindowManager::Xfwm4NoCompositor,
                                           WindowManager::I3, WindowManager::Awesome),
                         ManagerName);

}  // namespace
