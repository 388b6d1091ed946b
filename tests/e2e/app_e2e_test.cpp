// The real program on a private X server: its main window, the single instance, the
// composition refusal and what happens without a display.
#include <gtest/gtest.h>

#include <QProcess>

#include "tests/e2e/app_e2e_support.h"
#include "tests/e2e/support/TestDesktop.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

const QString kTitle = QStringLiteral("Quillane Vantrel");
constexpr std::uint32_t kXkReturn = 0xff0d;

TEST(AppE2e, MainWindowAppearsCentredAndExitEndsTheProgram) {
    TestDesktop desktop;
    ASSERT_TRUE(desktop.Ready()) << desktop.Failure();
    XClient& x = desktop.X();
    VantrelRun run(desktop.Server());
    QProcess& vantrel = run.Start();
    const auto windows = WaitForWindows(x, kTitle, 8000);
    ASSERT_EQ(windows.size(), 1u);
    const QRect bounds = x.Geometry(windows[0]).value_or(QRect());
    EXPECT_EQ(bounds.size(), QSize(727, 551));
    // Centred on the primary display (the whole screen here).
    EXPECT_LE(std::abs(bounds.center().x() - 3200 / 2), 2);
    EXPECT_LE(std::abs(bounds.center().y() - 1080 / 2), 2);

    // The Exit button at its designed place.
    x.Click(bounds.x() + 632 + 44, bounds.y() + 520 + 12);
    EXPECT_EQ(WaitForExit(vantrel, 5000), 0);
}

TEST(AppE2e, CatalogOfTheUsersLanguageTitlesTheWindow) {
    TestDesktop desktop;
    ASSERT_TRUE(desktop.Ready()) << desktop.Failure();
    XClient& x = desktop.X();
    VantrelRun run(desktop.Server());
    run.InstallCatalog("0407.lcl", "MainForm~<DEFAULT>~\"Quillane Vantrel – Fensterspiegel\"\n");
    run.SetLanguage("de_DE.UTF-8");
    run.Start();
    EXPECT_EQ(WaitForWindows(x, QStringLiteral("Quillane Vantrel – Fensterspiegel"), 8000).size(),
              1u);
    EXPECT_TRUE(x.FindViewableWindowsByTitle(kTitle).empty());
}

TEST(AppE2e, SecondCopyEndsAtOnceAndANewOneStartsAfterTheFirstDies) {
    TestDesktop desktop;
    ASSERT_TRUE(desktop.Ready()) << desktop.Failure();
    XClient& x = desktop.X();
    VantrelRun run(desktop.Server());
    QProcess& first = run.Start();
    ASSERT_EQ(WaitForWindows(x, kTitle, 8000).size(), 1u);

    QProcess& second = run.Start();
    EXPECT_EQ(WaitForExit(second, 5000), 0);
    EXPECT_EQ(x.FindWindowsByTitle(kTitle).size(), 1u) << "the second copy made no window";
    EXPECT_EQ(first.state(), QProcess::Running);

    first.kill();
    ASSERT_TRUE(first.waitForFinished(5000));
    ASSERT_TRUE(WaitUntil([&] { return x.FindViewableWindowsByTitle(kTitle).empty(); }, 5000));
    QProcess& third = run.Start();
    EXPECT_EQ(WaitForWindows(x, kTitle, 8000).size(), 1u);
    EXPECT_EQ(third.state(), QProcess::Running);
}

TEST(AppE2e, WithoutCompositionOnlyTheErrorBoxShows) {
    DesktopOptions options;
    options.composite = false;
    TestDesktop desktop(options);
    ASSERT_TRUE(desktop.Ready()) << desktop.Failure();
    XClient& x = desktop.X();
    VantrelRun run(desktop.Server());
    QProcess& vantrel = run.Start();
    // The message box carries the program's title; the main window is never mapped.
    const auto windows = WaitForWindows(x, kTitle, 8000);
    ASSERT_EQ(windows.size(), 1u);
    const QRect box = x.Geometry(windows[0]).value_or(QRect());
    EXPECT_NE(box.size(), QSize(727, 551));
    EXPECT_LT(box.width(), 727);
    EXPECT_EQ(vantrel.state(), QProcess::Running);

    // Return presses the box's one button, OK; the program then ends with 0, as on every way out.
    ASSERT_TRUE(WaitUntil(
        [&] {
            x.KeyTap(kXkReturn);
            x.Sync();
            return vantrel.waitForFinished(200);
        },
        5000));
    EXPECT_EQ(WaitForExit(vantrel, 1000), 0);
}

TEST(AppE2e, WithoutADisplayTheProgramSaysSo) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    env.remove("WAYLAND_DISPLAY");
    // No session bus either: a copy on the developer's desktop must not answer for it.
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vantrel-no-session-bus");
    struct Case {
        const char* display;
        const char* says;
    };
    for (const Case& c :
         {Case{nullptr, "vantrel: Vantrel needs an X11 display; DISPLAY is not set"},
          Case{":4986", "cannot open display"}}) {
        SCOPED_TRACE(c.display != nullptr ? c.display : "unset");
        if (c.display != nullptr) {
            env.insert("DISPLAY", c.display);
        }
        TestProgram vantrel(QStringLiteral(VANTREL_BINARY), {}, env,
                            TestProgram::ErrorOutput::Keep);
        // A normal exit with a failure code: not a crash (-1), not a hang (nothing).
        EXPECT_GT(vantrel.WaitForExit(5000).value_or(0), 0);
        EXPECT_TRUE(vantrel.Errors().contains(c.says)) << vantrel.Errors().toStdString();
    }
}

}  // namespace
