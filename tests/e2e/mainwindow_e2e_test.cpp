// The real program's window list on a private X server: it follows X clients that come and
// go without any input to the program, and its display buttons open and close clones.
#include <gtest/gtest.h>

#include <QProcess>

#include "tests/e2e/app_e2e_support.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

const QString kTitle = QStringLiteral("Quillane Vantrel");

class MainWindowE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.Running());
        ASSERT_TRUE(server.SetMonitors({{0, 0, 1600, 1080, true}, {1600, 0, 1600, 1080, false}}));
        x = std::make_unique<XClient>(server.Display());
        run = std::make_unique<VantrelRun>(server);
        run->Start();
        const auto windows = WaitForWindows(*x, kTitle, 8000);
        ASSERT_EQ(windows.size(), 1u);
        main = x->Geometry(windows[0]).value_or(QRect());
        ASSERT_EQ(main.size(), QSize(727, 551));
    }

    void TearDown() override {
        for (auto& client : clients) {
            client->kill();
            client->waitForFinished(5000);
        }
    }

    QProcess& StartXlogo() {
        clients.push_back(std::make_unique<QProcess>());
        QProcess& p = *clients.back();
        p.setProcessEnvironment(server.Environment());
        p.start("xlogo", {"-geometry", "120x120+40+40"});
        p.waitForStarted(5000);
        return p;
    }

    QPoint ButtonCentre(int row, int display) const {
        return MainWindowButtonCentre(main, row, display);
    }
    int VisibleRows() { return MainWindowVisibleRows(*x, main); }

    bool WaitForRows(int rows) {
        return WaitUntil([&] { return VisibleRows() == rows; }, 5000, 20);
    }

    XvfbServer server;
    std::unique_ptr<XClient> x;
    std::unique_ptr<VantrelRun> run;
    std::vector<std::unique_ptr<QProcess>> clients;
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

TEST_F(MainWindowE2e, DisplayButtonOpensAndClosesACloneOnItsDisplay) {
    StartXlogo();
    ASSERT_TRUE(WaitForRows(1));
    const auto before = x->RootChildren().size();
    const QPoint button = ButtonCentre(0, 1);
    x->Click(button.x(), button.y());
    // A new top-level window covering the second display appears.
    std::uint32_t clone = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (std::uint32_t w : x->RootChildren()) {
                if (x->IsViewable(w) && x->Geometry(w) == QRect(1600, 0, 1600, 1080)) {
                    clone = w;
                    return true;
                }
            }
            return false;
        },
        5000));
    x->Click(button.x(), button.y());
    EXPECT_TRUE(WaitUntil([&] { return !x->IsViewable(clone) || !x->Exists(clone); }, 5000));
    EXPECT_LE(x->RootChildren().size(), before + 1);
}

}  // namespace
