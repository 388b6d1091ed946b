#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "monitors/MonitorIdentify.h"
#include "monitors/MonitorNumberForm.h"
#include "tests/support/TestApplication.h"
#include "tests/support/fake/FakePlatform.h"

namespace {

// The overlays that exist, ordered by their title (top-level widgets come in no set order).
std::vector<TMonitorNumForm*> Overlays() {
    std::vector<TMonitorNumForm*> result;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* overlay = qobject_cast<TMonitorNumForm*>(widget)) {
            result.push_back(overlay);
        }
    }
    std::stable_sort(result.begin(), result.end(), [](const QWidget* a, const QWidget* b) {
        return a->windowTitle() < b->windowTitle();
    });
    return result;
}

// What one look at the screen during the wait found.
struct Sighting {
    bool taken = false;
    bool suppressed = false;
    std::vector<QString> titles;
    std::vector<QString> digits;
    std::vector<QRect> geometries;
    std::vector<bool> visible;
};

Sighting Look(const MonitorIdentify& identify) {
    Sighting s;
    s.taken = true;
    s.suppressed = identify.Waiting();
    for (TMonitorNumForm* overlay : Overlays()) {
        s.titles.push_back(overlay->windowTitle());
        s.digits.push_back(overlay->MonitorNumLabel()->text());
        s.geometries.push_back(overlay->geometry());
        s.visible.push_back(overlay->isVisible());
    }
    return s;
}

class ShowMonitorNumbersTest : public ::testing::Test {
  protected:
    void SetUp() override { TestApplication(); }
    void TearDown() override { EXPECT_TRUE(Overlays().empty()); }
    FakePlatform fake;
    MonitorIdentify identify{fake.Displays()};
};

TEST_F(ShowMonitorNumbersTest, CoversEveryDisplayDuringTheWaitAndRemovesAllAfterwards) {
    const std::vector<QRect> monitors = {
        {0, 0, 1920, 1080}, {1920, 0, 1280, 1024}, {-1024, -200, 1024, 768}};
    fake.SetMonitors(monitors);
    Sighting seen;
    QTimer::singleShot(300, [&] { seen = Look(identify); });

    QElapsedTimer elapsed;
    elapsed.start();
    identify.ShowMonitorNumbers(1);

    EXPECT_GE(elapsed.elapsed(), 1000);
    ASSERT_TRUE(seen.taken);
    EXPECT_TRUE(seen.suppressed);
    EXPECT_FALSE(identify.Waiting());
    ASSERT_EQ(seen.titles.size(), monitors.size());
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        SCOPED_TRACE(i);
        const QString number = QString::number(i + 1);
        EXPECT_EQ(seen.titles[i], "Monitor " + number);
        EXPECT_EQ(seen.digits[i], number);
        EXPECT_EQ(seen.geometries[i], monitors[i]);
        EXPECT_TRUE(seen.visible[i]);
    }
}

TEST_F(ShowMonitorNumbersTest, EveryOverlayIsPlacedBeforeTheFirstIsShown) {
    fake.SetMonitors({{0, 0, 800, 600}, {800, 0, 800, 600}, {1600, 0, 800, 600}});
    struct ShowWatcher : QObject {
        std::vector<std::vector<QString>> titlesAtEachShow;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Show && qobject_cast<TMonitorNumForm*>(watched)) {
                std::vector<QString> titles;
                for (TMonitorNumForm* overlay : Overlays()) {
                    titles.push_back(overlay->windowTitle());
                }
                titlesAtEachShow.push_back(titles);
            }
            return false;
        }
    } watcher;
    qApp->installEventFilter(&watcher);
    identify.ShowMonitorNumbers(0);
    qApp->removeEventFilter(&watcher);

    const std::vector<QString> all = {"Monitor 1", "Monitor 2", "Monitor 3"};
    ASSERT_EQ(watcher.titlesAtEachShow.size(), 3u);
    for (const auto& titles : watcher.titlesAtEachShow) {
        EXPECT_EQ(titles, all);
    }
}

TEST_F(ShowMonitorNumbersTest, OverlaysGoInDisplayOrder) {
    fake.SetMonitors({{0, 0, 640, 480}, {640, 0, 640, 480}, {1280, 0, 640, 480}});
    std::vector<QString> destroyed;
    QTimer::singleShot(100, [&] {
        for (TMonitorNumForm* overlay : Overlays()) {
            const QString title = overlay->windowTitle();
            QObject::connect(overlay, &QObject::destroyed,
                             [&destroyed, title] { destroyed.push_back(title); });
        }
    });
    identify.ShowMonitorNumbers(1);
    EXPECT_EQ(destroyed, (std::vector<QString>{"Monitor 1", "Monitor 2", "Monitor 3"}));
}

TEST_F(ShowMonitorNumbersTest, NoDisplayShowsNothingButStillWaitsTheFullTime) {
    fake.SetMonitors({});
    Sighting seen;
    QTimer::singleShot(200, [&] { seen = Look(identify); });
    QElapsedTimer elapsed;
    elapsed.start();
    identify.ShowMonitorNumbers(1);
    EXPECT_GE(elapsed.elapsed(), 1000);
    ASSERT_TRUE(seen.taken);
    EXPECT_TRUE(seen.titles.empty());
    EXPECT_TRUE(seen.suppressed);
}

TEST_F(ShowMonitorNumbersTest, NonPositiveDurationRemovesTheOverlaysWithoutWaiting) {
    fake.SetMonitors({{0, 0, 640, 480}});
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    identify.ShowMonitorNumbers(-3);
    EXPECT_FALSE(timerRan);  // no event loop ran at all
    EXPECT_FALSE(identify.Waiting());
}

TEST_F(ShowMonitorNumbersTest, NestedRunFinishesFirstAndTheOuterSetStaysForItsRemainingSteps) {
    fake.SetMonitors({{0, 0, 800, 600}, {800, 0, 800, 600}});
    QElapsedTimer clock;
    std::vector<QPointer<TMonitorNumForm>> outer;
    qint64 nestedReturnedAt = -1;
    std::size_t overlaysDuringNested = 0;
    bool outerAliveAfterNested = false;
    QTimer::singleShot(300, [&] {
        for (TMonitorNumForm* overlay : Overlays()) {
            outer.emplace_back(overlay);
        }
        QTimer::singleShot(300, [&] { overlaysDuringNested = Overlays().size(); });
        identify.ShowMonitorNumbers(1);
        nestedReturnedAt = clock.elapsed();
        outerAliveAfterNested = outer.size() == 2 && outer[0] && outer[1] && outer[0]->isVisible();
        EXPECT_EQ(Overlays().size(), 2u);
        EXPECT_TRUE(identify.Waiting());  // the outer run is still waiting
    });
    clock.start();
    identify.ShowMonitorNumbers(1);
    const qint64 outerReturnedAt = clock.elapsed();

    EXPECT_EQ(overlaysDuringNested, 4u);
    EXPECT_TRUE(outerAliveAfterNested);
    ASSERT_GE(nestedReturnedAt, 1300);
    // The nested run started in the outer run's fourth step; at least six full steps remain.
    EXPECT_GE(outerReturnedAt - nestedReturnedAt, 600);
    EXPECT_FALSE(identify.Waiting());
}

TEST_F(ShowMonitorNumbersTest, QuittingTheApplicationEndsTheWaitEarly) {
    fake.SetMonitors({{0, 0, 640, 480}});
    bool returned = false;
    std::size_t overlaysAfterReturn = 1;
    QTimer::singleShot(0, [&] {
        identify.ShowMonitorNumbers(600);
        returned = true;
        overlaysAfterReturn = Overlays().size();
    });
    QTimer::singleShot(200, [] { QCoreApplication::quit(); });
    QElapsedTimer elapsed;
    elapsed.start();
    QApplication::exec();
    // Still pumping events until the identify run unwinds: exec() returns as soon as the
    // run's step loop hands control back.
    const QDeadlineTimer deadline(10000);
    while (!returned && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_TRUE(returned);
    EXPECT_EQ(overlaysAfterReturn, 0u);
    EXPECT_LT(elapsed.elapsed(), 60000);
}

}  // namespace
