// "Identify Monitors" in the real program with three monitors: one overlay per monitor,
// titled with its number and covering it, for a few seconds; the main window answers
// clicks meanwhile, and a display button opens a clone during the wait.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <cstdio>

#include "tests/e2e/support/WaitUntil.h"
#include "tests/e2e/toggle_e2e_scene.h"

namespace {

const std::vector<QRect> kMonitors = {
    {0, 0, 1200, 1080}, {1200, 0, 1200, 1080}, {2400, 100, 1200, 900}};

TEST(IdentifyE2e, OverlaysCoverEveryMonitorWhileTheMainWindowStillAnswers) {
    ProgramScene scene(
        {{0, 0, 1200, 1080, true}, {1200, 0, 1200, 1080, false}, {2400, 100, 1200, 900, false}},
        3600, 1080);
    ASSERT_TRUE(scene.ServerReady());
    ASSERT_TRUE(scene.StartProgram());
    ASSERT_NE(scene.StartColourClient("Source", 400, 300, 2600, 150), nullptr);
    ASSERT_TRUE(scene.WaitForRows(1));

    const QPoint identify = scene.IdentifyButtonCentre();
    QElapsedTimer clock;
    clock.start();
    scene.X().Click(identify.x(), identify.y());
    std::vector<std::uint32_t> overlays(kMonitors.size());
    const bool allShown = WaitUntil(
        [&] {
            for (std::size_t i = 0; i < kMonitors.size(); ++i) {
                const auto found =
                    scene.X().FindViewableWindowsByTitle(QStringLiteral("Monitor %1").arg(i + 1));
                overlays[i] = found.size() == 1 ? found[0] : 0;
                if (overlays[i] == 0) {
                    return false;
                }
            }
            return true;
        },
        3000);
    ASSERT_TRUE(allShown);
    for (std::size_t i = 0; i < kMonitors.size(); ++i) {
        EXPECT_EQ(scene.X().Geometry(overlays[i]), kMonitors[i]) << "overlay " << i + 1;
    }
    EXPECT_TRUE(scene.X().FindViewableWindowsByTitle("Monitor 4").empty());

    // The overlay of monitor 1 lies over the main window; the user brings the window forward
    // and presses display button 2 while the overlays are still up.
    scene.Raise(scene.MainWindow());
    const QPoint button = scene.ButtonCentre(0, 1);
    scene.X().Click(button.x(), button.y());
    const std::uint32_t clone = scene.WaitForNewClone({}, kMonitors[1], 3000);
    ASSERT_NE(clone, 0u) << "no clone on monitor 2 during the wait, after " << clock.elapsed()
                         << " ms";
    EXPECT_TRUE(scene.X().IsViewable(overlays[0]) && scene.X().IsViewable(overlays[2]))
        << "the clone came only after the overlays went, at " << clock.elapsed() << " ms";

    // All overlays go after about five seconds; the clone stays.
    EXPECT_TRUE(WaitUntil(
        [&] {
            for (std::uint32_t overlay : overlays) {
                if (scene.X().IsViewable(overlay)) {
                    return false;
                }
            }
            return true;
        },
        8000 - static_cast<int>(clock.elapsed())));
    const qint64 gone = clock.elapsed();
    EXPECT_GE(gone, 3000) << "the overlays went far too early";
    std::printf("overlays were up for about %lld ms\n", static_cast<long long>(gone));
    EXPECT_TRUE(scene.X().IsViewable(clone));
    EXPECT_EQ(scene.Program().state(), QProcess::Running);
}

}  // namespace
