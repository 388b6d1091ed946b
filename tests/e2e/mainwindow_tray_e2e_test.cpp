// The real program with a notification area (trayer) on a private X server: hiding behind
// the tray icon, the balloon, coming back with a click, and Exit from the icon's menu.
#include <gtest/gtest.h>

#include <QProcess>

#include "tests/e2e/app_e2e_support.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

const QString kTitle = QStringLiteral("Quillane Vantrel");
constexpr std::uint32_t kXkUp = 0xff52;
constexpr std::uint32_t kXkReturn = 0xff0d;

class TrayE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.Running());
        x = std::make_unique<XClient>(server.Display());
        trayer.setProcessEnvironment(server.Environment());
        trayer.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel",
                                "--width", "100", "--height", "32"});
        ASSERT_TRUE(trayer.waitForStarted(5000));
        ASSERT_FALSE(WaitForWindows(*x, "panel", 5000).empty());
        run = std::make_unique<VantrelRun>(server);
        vantrel = &run->Start();
        const auto windows = WaitForWindows(*x, kTitle, 8000);
        ASSERT_EQ(windows.size(), 1u);
        mainWindow = windows[0];
        bounds = x->Geometry(mainWindow).value_or(QRect());
    }

    void TearDown() override {
        trayer.kill();
        trayer.waitForFinished(5000);
    }

    // The program's small windows: the tray icon (inside the panel) and the balloon.
    std::optional<QRect> FindOwnWindow(bool icon) {
        for (std::uint32_t w : x->FindViewableWindowsByTitle("vantrel")) {
            const auto g = x->Geometry(w);
            if (g && g->width() > 1 && (g->height() <= 32) == icon) {
                return g;
            }
        }
        return std::nullopt;
    }

    QRect HideAndWaitForIcon() {
        x->Click(bounds.x() + 231 + 61, bounds.y() + 520 + 12);
        EXPECT_TRUE(WaitUntil([&] { return !x->IsViewable(mainWindow); }, 5000));
        std::optional<QRect> icon;
        EXPECT_TRUE(WaitUntil([&] { return (icon = FindOwnWindow(true)).has_value(); }, 5000));
        EXPECT_TRUE(WaitUntil([&] { return FindOwnWindow(false).has_value(); }, 5000))
            << "the balloon shows at every hide";
        return icon.value_or(QRect());
    }

    XvfbServer server;
    QProcess trayer;
    std::unique_ptr<XClient> x;
    std::unique_ptr<VantrelRun> run;
    QProcess* vantrel = nullptr;
    std::uint32_t mainWindow = 0;
    QRect bounds;
};

TEST_F(TrayE2e, HideClickBackAndExitFromTheMenu) {
    QRect icon = HideAndWaitForIcon();
    x->Click(icon.center().x(), icon.center().y());
    ASSERT_TRUE(WaitUntil([&] { return x->IsViewable(mainWindow); }, 5000));
    EXPECT_EQ(x->Geometry(mainWindow), bounds) << "the window comes back where it was";
    EXPECT_TRUE(WaitUntil([&] { return !FindOwnWindow(true).has_value(); }, 5000));

    icon = HideAndWaitForIcon();
    x->Click(icon.center().x(), icon.center().y(), 3);
    // The menu opens with no item chosen: Up wraps to its last item, Exit.
    ASSERT_TRUE(WaitUntil(
        [&] {
            x->KeyTap(kXkUp);
            x->KeyTap(kXkReturn);
            x->Sync();
            return vantrel->waitForFinished(300);
        },
        5000));
    EXPECT_EQ(WaitForExit(*vantrel, 1000), 0);
    EXPECT_FALSE(x->IsViewable(mainWindow));
}

}  // namespace
