// The idle refresh: when it runs, and that a refresh with nothing to do touches nothing.
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include "tests/mainwindow/MainFormFixture.h"

namespace {

// Counts every event delivered to the main window or anything inside it.
class EventCounter : public QObject {
  public:
    explicit EventCounter(QWidget* form) : form_(form) { qApp->installEventFilter(this); }
    ~EventCounter() override { qApp->removeEventFilter(this); }
    int Count() const { return count_; }
    QList<QEvent::Type> Types() const { return types_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        for (QObject* o = watched; o != nullptr; o = o->parent()) {
            if (o == form_) {
                ++count_;
                types_ << event->type();
                break;
            }
        }
        return false;
    }

  private:
    QWidget* form_;
    int count_ = 0;
    QList<QEvent::Type> types_;
};

class IdleTest : public MainFormTest {
  protected:
    void ShowSettled() {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        // Let every pending show, layout and paint event run.
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    // Runs the event loop, so that it blocks, for a fixed number of timer wake-ups.
    static void RunLoopFor(int wakeUps) {
        QEventLoop loop;
        int left = wakeUps;
        QTimer timer;
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            if (--left <= 0) {
                loop.quit();
            }
        });
        timer.start();
        loop.exec();
    }
};

TEST_F(IdleTest, RefreshWithNothingChangedTouchesNothing) {
    for (int i = 0; i < 20; ++i) {
        fake->AddWindow(QStringLiteral("Window %1 & more").arg(i));
    }
    MakeForm();
    ShowSettled();
    const int widgets = static_cast<int>(form->findChildren<QWidget*>().size());
    EventCounter counter(form.get());
    form->ApplicationIdle();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(counter.Count(), 0) << "events: " << counter.Types().size();
    EXPECT_EQ(static_cast<int>(form->findChildren<QWidget*>().size()), widgets);
    EXPECT_TRUE(form->WindowsScrollBox->updatesEnabled());
}

TEST_F(IdleTest, RetitlingTouchesOnlyThatLabel) {
    fake->AddWindow(QStringLiteral("One"));
    const WindowHandle two = fake->AddWindow(QStringLiteral("Two"));
    MakeForm();
    ShowSettled();
    fake->RenameWindow(two, QStringLiteral("Two, renamed"));
    const int widgets = static_cast<int>(form->findChildren<QWidget*>().size());
    form->ApplicationIdle();
    EXPECT_EQ(Titles(), QStringList({"One", "Two, renamed"}));
    EXPECT_EQ(static_cast<int>(form->findChildren<QWidget*>().size()), widgets);
    EXPECT_TRUE(form->WindowsScrollBox->updatesEnabled());
}

TEST_F(IdleTest, RowChangesSuspendDrawingOnlyDuringTheRefresh) {
    fake->AddWindow(QStringLiteral("One"));
    MakeForm();
    ShowSettled();
    fake->AddWindow(QStringLiteral("Two"));
    bool suspendedWhileCreating = false;
    // The new row's controls are created while the scroll box does not draw.
    class Probe : public QObject {
      public:
        Probe(QWidget* box, bool* seen) : box_(box), seen_(seen) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::ChildAdded && !box_->updatesEnabled()) {
                *seen_ = true;
            }
            return false;
        }
        QWidget* box_;
        bool* seen_;
    } probe(form->WindowsScrollBox, &suspendedWhileCreating);
    form->RowHost()->installEventFilter(&probe);
    form->ApplicationIdle();
    form->RowHost()->removeEventFilter(&probe);
    EXPECT_TRUE(suspendedWhileCreating);
    EXPECT_TRUE(form->WindowsScrollBox->updatesEnabled());
    EXPECT_EQ(Titles(), QStringList({"One", "Two"}));
}

TEST_F(IdleTest, OnlyPrepareToRunInstallsTheRefresh) {
    fake->AddWindow(QStringLiteral("One"));
    MakeForm();
    EXPECT_FALSE(form->IdleRefreshInstalled());
    fake->AddWindow(QStringLiteral("Two"));
    RunLoopFor(3);
    EXPECT_EQ(fake->SnapshotCalls(), 1);
    EXPECT_EQ(form->Rows().size(), 1u);

    form->PrepareToRun(0x0409);
    EXPECT_TRUE(form->IdleRefreshInstalled());
    // A nested processEvents that does not wait is not an idle moment.
    QCoreApplication::processEvents();
    EXPECT_EQ(fake->SnapshotCalls(), 1);
    RunLoopFor(1);
    EXPECT_EQ(Titles(), QStringList({"One", "Two"}));
}

TEST_F(IdleTest, IdleProgramRefreshesOncePerWakeUp) {
    for (int i = 0; i < 5; ++i) {
        fake->AddWindow(QStringLiteral("W%1").arg(i));
    }
    MakeForm();
    form->PrepareToRun(0x0409);
    ShowSettled();
    RunLoopFor(2);
    const int before = fake->SnapshotCalls();
    RunLoopFor(20);
    // Each of the 20 timer wake-ups allows about one refresh; a refresh that woke the loop
    // itself would run thousands of times.
    EXPECT_LE(fake->SnapshotCalls() - before, 45);
    EXPECT_GE(fake->SnapshotCalls() - before, 1);
}

TEST_F(IdleTest, ClosedWindowStopsRefreshing) {
    fake->AddWindow(QStringLiteral("One"));
    MakeForm();
    form->PrepareToRun(0x0409);
    form->close();
    EXPECT_FALSE(form->IdleRefreshInstalled());
    const int before = fake->SnapshotCalls();
    RunLoopFor(2);
    EXPECT_EQ(fake->SnapshotCalls(), before);
    EXPECT_TRUE(form->Rows().empty());
}

}  // namespace
