// "Identify Monitors" in the real program with three monitors: one overlay per monitor,
// numbered primary first (then by left, then by top), covering it, opaque and showing its
// digit, for a few seconds; the main window answers clicks meanwhile, a display button opens
// a clone during the wait, and every overlay is gone afterwards.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <cstdio>

#include "tests/e2e/program_scene.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

// In the order the overlays number them: the primary, then the others by left, then by top.
const std::vector<QRect> kMonitors = {
    {1200, 0, 1200, 1080}, {0, 0, 1200, 540}, {0, 540, 1200, 540}, {2400, 100, 1200, 900}};

TEST(IdentifyE2e, OverlaysCoverEveryMonitorWhileTheMainWindowStillAnswers) {
    ProgramScene scene({{0, 540, 1200, 540, false},
                        {2400, 100, 1200, 900, false},
                        {1200, 0, 1200, 1080, true},
                        {0, 0, 1200, 540, false}},
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
        SCOPED_TRACE(i + 1);
        const QRect r = kMonitors[i];
        EXPECT_EQ(scene.X().Geometry(overlays[i]), r);
        // Opaque light background in the corner, a dark digit in the middle.
        EXPECT_TRUE(
            WaitUntil([&] { return !IsDark(scene.X().PixelAt(r.x() + 4, r.y() + 4)); }, 3000));
        const QRect middle(r.center() - QPoint(60, 60), QSize(120, 120));
        EXPECT_GT(CountPixels(scene.X().Grab(middle), IsDark), 200);
    }
    EXPECT_TRUE(scene.X().FindViewableWindowsByTitle("Monitor 5").empty());

    // An overlay lies over the main window; the user brings the window forward and presses
    // display button 2 while the overlays are still up.
    scene.Raise(scene.MainWindow());
    const QPoint button = scene.ButtonCentre(0, 1);
    scene.X().Click(button.x(), button.y());
    const std::uint32_t clone = scene.WaitForNewClone({}, kMonitors[1], 3000);
    ASSERT_NE(clone, 0u) << "no clone on monitor 2 during the wait, after " << clock.elapsed()
                         << " ms";
    EXPECT_TRUE(scene.X().IsViewable(overlays[0]) && scene.X().IsViewable(overlays[3]))
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
    for (std::size_t i = 0; i < kMonitors.size(); ++i) {
        EXPECT_TRUE(
            scene.X().FindViewableWindowsByTitle(QStringLiteral("Monitor %1").arg(i + 1)).empty())
            << i + 1;
    }
    EXPECT_EQ(scene.Program().state(), QProcess::Running);
}

}  // namespace
