// The real program's window list on a private X server: it follows X clients that come and
// go without any input to the program. (Its display buttons are clicked in toggle_e2e_test.)
#include <gtest/gtest.h>

#include <QProcess>

#include "tests/e2e/app_e2e_support.h"
#include "tests/e2e/support/TestDesktop.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

const QString kTitle = QStringLiteral("Quillane Vantrel");

DesktopOptions TwoMonitors() {
    DesktopOptions options;
    options.monitors = {{0, 0, 1600, 1080, true}, {1600, 0, 1600, 1080, false}};
    return options;
}

class MainWindowE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(desktop.Ready()) << desktop.Failure();
        x = &desktop.X();
        run = std::make_unique<VantrelRun>(desktop.Server());
        run->Start();
        const auto windows = WaitForWindows(*x, kTitle, 8000);
        ASSERT_EQ(windows.size(), 1u);
        main = x->Geometry(windows[0]).value_or(QRect());
        ASSERT_EQ(main.size(), QSize(727, 551));
    }

    QProcess& StartXlogo() {
        return desktop.Start("xlogo", {"-geometry", "120x120+40+40"}).Process();
    }

    int VisibleRows() { return MainWindowVisibleRows(*x, main); }

    bool WaitForRows(int rows) {
        return WaitUntil([&] { return VisibleRows() == rows; }, 5000, 20);
    }

    TestDesktop desktop{TwoMonitors()};
    XClient* x = nullptr;
    std::unique_ptr<VantrelRun> run;
    QRect main;
};

TEST_F(MainWindowE2e, ListFollowsClientsThatComeAndGo) {
    EXPECT_TRUE(WaitForRows(0)) << "rows: " << VisibleRows();
    QProcess& first = StartXlogo();
    EXPECT_TRUE(WaitForRows(1)) << "rows: " << VisibleRows();
    StartXlogo();
    EXPECT_TRUE(WaitForRows(2)) << "rows: " << VisibleRows();
    first.kill();
    first.waitForFinished(5000);
    EXPECT_TRUE(WaitForRows(1)) << "rows: " << VisibleRows();
}

}  // namespace
