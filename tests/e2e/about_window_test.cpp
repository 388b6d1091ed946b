// The About window on a real X server: placed centred on the primary monitor with its
// designed size, the icon and the bold product name drawn, the links opened by clicks, and
// closed with the OK result by a click on OK or by Escape.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <QProcess>

#include <vector>

#include "tests/e2e/support/TestDesktop.h"
#include "tests/e2e/support/WaitUntil.h"
#include "tests/e2e/support/XClient.h"

namespace {

const QString kTitle = QStringLiteral("About Vantrel");

class AboutWindowE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(desktop.Ready()) << desktop.Failure();
        probeProgram = &desktop.Start(QStringLiteral(VANTREL_ABOUT_PROBE));
        ASSERT_TRUE(probeProgram->Started());
        ASSERT_EQ(ReadLineWithin(probe(), 10000), "shown");
        ASSERT_TRUE(WaitUntil(
            [&] { return !(windows = x.FindViewableWindowsByTitle(kTitle)).empty(); }, 5000));
        ASSERT_TRUE(WaitUntil([&] { return x.Geometry(windows[0]).has_value(); }, 5000));
        client = *x.Geometry(windows[0]);
    }

    QPoint At(int clientX, int clientY) const {
        return client.topLeft() + QPoint(clientX, clientY);
    }

    static DesktopOptions TwoMonitors() {
        DesktopOptions options;
        options.monitors = {{0, 0, 1600, 1080, true}, {1600, 0, 1600, 1080, false}};
        return options;
    }
    QProcess& probe() { return probeProgram->Process(); }

    TestDesktop desktop{TwoMonitors()};
    XClient& x = desktop.X();
    TestProgram* probeProgram = nullptr;
    std::vector<std::uint32_t> windows;
    QRect client;
};

TEST_F(AboutWindowE2e, CentredWithIconAndNameAndLinksThenOkClosesIt) {
    EXPECT_EQ(windows.size(), 1u);
    EXPECT_EQ(client.size(), QSize(362, 217));
    EXPECT_LE((client.center() - QPoint(800, 540)).manhattanLength(), 2);

    // The icon's orange window and the product name's dark letters are on the screen.
    ASSERT_TRUE(WaitUntil(
        [&] {
            return CountPixels(x.Grab(QRect(At(24, 24), QSize(42, 42))), [](QRgb c) {
                       return SameColour(c, qRgb(0xf4, 0xa3, 0x40), 40);
                   }) > 10;
        },
        5000));
    EXPECT_GT(CountPixels(x.Grab(QRect(At(88, 24), QSize(60, 16))), IsDark), 20);

    const QPoint product = At(92, 30);
    x.Click(product.x(), product.y());
    EXPECT_EQ(ReadLineWithin(probe(), 5000), "open https://quillane.example/vantrel");
    const QPoint notice = At(100, 57);
    x.Click(notice.x(), notice.y());
    EXPECT_EQ(ReadLineWithin(probe(), 5000), "open mailto:vantrel@quillane.example");

    const QPoint ok = At(264 + 44, 184 + 12);
    x.Click(ok.x(), ok.y());
    EXPECT_EQ(ReadLineWithin(probe(), 5000), "result 1");
    ASSERT_TRUE(probe().waitForFinished(5000));
    EXPECT_EQ(probe().exitCode(), 0);
    EXPECT_TRUE(x.FindViewableWindowsByTitle(kTitle).empty());
}

TEST_F(AboutWindowE2e, EscapeClosesWithTheOkResult) {
    const QPoint inside = At(180, 120);
    x.MoveTo(inside.x(), inside.y());
    x.Sync();
    x.KeyTap(XK_Escape);
    EXPECT_EQ(ReadLineWithin(probe(), 5000), "result 1");
    EXPECT_TRUE(probe().waitForFinished(5000));
}

}  // namespace
