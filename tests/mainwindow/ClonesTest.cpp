// Clone bookkeeping: a slot holds a clone exactly while its display button is down.
#include <QMenu>
#include <QTest>

#include <functional>
#include <memory>

#include "tests/mainwindow/MainFormFixture.h"

namespace {

class ClonesTest : public MainFormTest {
  protected:
    void SetUp() override {
        MainFormTest::SetUp();
        editor = fake->AddWindow(QStringLiteral("Editor"));
        viewer = fake->AddWindow(QStringLiteral("Viewer"));
        MakeForm();
    }

    static void Click(QToolButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    static int CloneCount(const WindowRowView& row) {
        int count = 0;
        for (std::size_t i = 0; i < row.DisplayButtons().size(); ++i) {
            count += row.Clone(i) != nullptr ? 1 : 0;
        }
        return count;
    }

    WindowHandle editor = 0;
    WindowHandle viewer = 0;
};

TEST_F(ClonesTest, PressingAndReleasingButtonsKeepsSlotsInStep) {
    WindowRowView& row = Row(0);
    Click(row.DisplayButtons()[0]);
    Click(row.DisplayButtons()[1]);
    ASSERT_EQ(CloneCount(row), 2);
    EXPECT_EQ(fake->Compositor().LiveCount(), 2);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(row.DisplayButtons()[i]->isChecked());
        EXPECT_EQ(row.Clone(i)->SourceWindow(), editor);
        EXPECT_TRUE(row.Clone(i)->isVisible());
        EXPECT_TRUE(row.Clone(i)->isWindow());
    }
    EXPECT_EQ(row.TitleLabel()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Row(1).TitleLabel()->cursor().shape(), Qt::ArrowCursor);

    QPointer<TCloneForm> first = row.Clone(0);
    Click(row.DisplayButtons()[0]);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(CloneCount(row), 1);
    EXPECT_EQ(row.TitleLabel()->cursor().shape(), Qt::PointingHandCursor);

    Click(row.DisplayButtons()[1]);
    EXPECT_EQ(CloneCount(row), 0);
    EXPECT_EQ(row.TitleLabel()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(fake->Compositor().LiveCount(), 0);
}

TEST_F(ClonesTest, TwoWindowsOnOneDisplay) {
    Click(Row(0).DisplayButtons()[1]);
    Click(Row(1).DisplayButtons()[1]);
    EXPECT_EQ(Row(0).Clone(1)->SourceWindow(), editor);
    EXPECT_EQ(Row(1).Clone(1)->SourceWindow(), viewer);
    EXPECT_NE(Row(0).Clone(1), Row(1).Clone(1));
}

// Records the order in which clones are raised.
class RaiseRecorder : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ZOrderChange) {
            order.push_back(watched);
        }
        return false;
    }
    std::vector<QObject*> order;
};

TEST_F(ClonesTest, TitleClickBringsClonesForwardInDisplayOrder) {
    WindowRowView& row = Row(0);
    Click(row.DisplayButtons()[1]);
    Click(row.DisplayButtons()[0]);
    RaiseRecorder recorder;
    for (std::size_t i = 0; i < 2; ++i) {
        row.Clone(i)->installEventFilter(&recorder);
    }
    QTest::mouseClick(row.TitleLabel(), Qt::LeftButton);
    const std::vector<QObject*> expected{row.Clone(0), row.Clone(1)};
    EXPECT_EQ(recorder.order, expected);

    // A title without clones does nothing.
    recorder.order.clear();
    QTest::mouseClick(Row(1).TitleLabel(), Qt::LeftButton);
    EXPECT_TRUE(recorder.order.empty());
}

TEST_F(ClonesTest, RowRemovalClosesItsClones) {
    Click(Row(0).DisplayButtons()[0]);
    Click(Row(0).DisplayButtons()[1]);
    Click(Row(1).DisplayButtons()[0]);
    QPointer<TCloneForm> a = Row(0).Clone(0);
    QPointer<TCloneForm> b = Row(0).Clone(1);
    QPointer<TCloneForm> kept = Row(1).Clone(0);
    ASSERT_EQ(fake->Compositor().LiveCount(), 3);
    fake->RemoveWindow(editor);
    form->RefreshWindowList();
    form->ArrangeRows();
    EXPECT_TRUE(a.isNull());
    EXPECT_TRUE(b.isNull());
    ASSERT_FALSE(kept.isNull());
    ASSERT_EQ(form->Rows().size(), 1u);
    EXPECT_EQ(Row(0).Clone(0), kept);
    EXPECT_TRUE(Row(0).DisplayButtons()[0]->isChecked());
    EXPECT_EQ(Row(0).DisplayButtons()[0]->y(), 1);
    EXPECT_EQ(fake->Compositor().LiveCount(), 1);
}

TEST_F(ClonesTest, ClosingTheMainWindowLeavesNoClone) {
    form->PrepareToRun(0x0409);
    form->show();
    Click(Row(0).DisplayButtons()[0]);
    Click(Row(1).DisplayButtons()[1]);
    std::vector<QPointer<TCloneForm>> clones{Row(0).Clone(0), Row(1).Clone(1)};
    bool closed = false;
    QObject::connect(form.get(), &TMainForm::Closed, [&] { closed = true; });
    QTest::mouseClick(form->ExitButtonW, Qt::LeftButton);
    EXPECT_TRUE(closed);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->Rows().empty());
    for (const auto& clone : clones) {
        EXPECT_TRUE(clone.isNull());
    }
    EXPECT_EQ(fake->Compositor().LiveCount(), 0);
}

TEST_F(ClonesTest, DestroyingTheMainWindowClosesRemainingClones) {
    Click(Row(0).DisplayButtons()[0]);
    QPointer<TCloneForm> clone = Row(0).Clone(0);
    form.reset();
    EXPECT_TRUE(clone.isNull());
    EXPECT_EQ(fake->Compositor().LiveCount(), 0);
}

// Records where each clone was when it was first shown.
class ShowRecorder : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* clone = qobject_cast<TCloneForm*>(watched)) {
                shownAt.push_back(clone->geometry());
            }
        }
        return false;
    }
    std::vector<QRect> shownAt;
};

TEST_F(ClonesTest, CloneIsOnItsDisplayWhenFirstShown) {
    ShowRecorder recorder;
    qApp->installEventFilter(&recorder);
    Click(Row(0).DisplayButtons()[1]);
    qApp->removeEventFilter(&recorder);
    EXPECT_EQ(recorder.shownAt, std::vector<QRect>{QRect(1920, 0, 1280, 1024)});
    // Marked for the window manager before it was mapped.
    EXPECT_EQ(fake->PreparedCloneWindows(),
              std::vector<WindowHandle>{static_cast<WindowHandle>(Row(0).Clone(1)->winId())});
}

// The offscreen platform activates every window it shows, whatever its flags (as some window
// managers move the focus when a window that refuses it appears): the main window takes the
// activation back. The end-to-end scenes check the focus under real window managers.
TEST_F(ClonesTest, SpaceTwiceOpensAndRemovesACloneAndTheButtonKeepsTheFocus) {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QToolButton* button = Row(0).DisplayButtons()[0];
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    TCloneForm* clone = Row(0).Clone(0);
    ASSERT_NE(clone, nullptr);
    EXPECT_TRUE(clone->isVisible());
    EXPECT_TRUE(clone->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(clone->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(clone->focusPolicy(), Qt::NoFocus);
    // The main window asks for the activation back (the platform handed it to the clone).
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == form.get(); }, 5000));
    EXPECT_EQ(form->focusWidget(), button);
    QTest::keyClick(form->focusWidget(), Qt::Key_Space);
    EXPECT_EQ(Row(0).Clone(0), nullptr);
    EXPECT_FALSE(button->isChecked());
}

TEST_F(ClonesTest, ButtonOfADisplayGoneUnnoticedMakesNoClone) {
    // The backend lost the display but has not told yet: no clone, the button comes up.
    fake->Displays().blockSignals(true);
    fake->RemoveMonitor(1);
    fake->Displays().blockSignals(false);
    Click(Row(0).DisplayButtons()[1]);
    EXPECT_EQ(Row(0).Clone(1), nullptr);
    EXPECT_FALSE(Row(0).DisplayButtons()[1]->isChecked());
    EXPECT_EQ(fake->Compositor().LiveCount(), 0);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(qobject_cast<TCloneForm*>(window) != nullptr && window->isVisible());
    }
}

// The clone's own click and menu act on the clone set, so the buttons follow them.
TEST_F(ClonesTest, TheClonesClickAndMenuGoThroughTheSet) {
    Click(Row(0).DisplayButtons()[1]);
    TCloneForm* clone = Row(0).Clone(1);
    ASSERT_NE(clone, nullptr);
    QTest::mouseClick(clone, Qt::LeftButton);
    EXPECT_EQ(form->Clones().Find(editor, 1)->mode, CloneMode::Natural);
    EXPECT_FALSE(clone->FitToWindow());
    // The menu's actions run once it has closed, from the event loop.
    const auto choose = [&](const char* text, const std::function<bool()>& done) {
        const std::unique_ptr<QMenu> menu = Row(0).Clone(1)->MakeMenu();
        for (QAction* action : menu->actions()) {
            if (action->text() == QLatin1String(text)) {
                action->trigger();
            }
        }
        return QTest::qWaitFor(done, 2000);
    };
    EXPECT_TRUE(choose("Fit", [&] { return clone->FitToWindow(); }));
    EXPECT_EQ(form->Clones().Find(editor, 1)->mode, CloneMode::Fit);
    EXPECT_TRUE(choose("Keep this clone", [&] { return form->Clones().Find(editor, 1)->kept; }));
    EXPECT_TRUE(clone->Kept());
    EXPECT_EQ(form->Clones().Kept().size(), 1u);
    EXPECT_TRUE(choose("Close", [&] { return Row(0).Clone(1) == nullptr; }));
    EXPECT_FALSE(Row(0).DisplayButtons()[1]->isChecked());
    EXPECT_TRUE(form->Clones().Kept().empty());
}

// Clones never take the keyboard: the context-menu key and Shift+F10 on a pressed display
// button open that clone's menu; on a button that is up they open nothing.
TEST_F(ClonesTest, TheMenuKeyOnAPressedButtonOpensItsClonesMenu) {
    form->show();
    QToolButton* button = Row(0).DisplayButtons()[1];
    Click(button);
    ASSERT_NE(Row(0).Clone(1), nullptr);
    const auto openMenu = [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); };
    struct Press {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        CloneMode mode;
    };
    for (const Press& press : {Press{Qt::Key_Menu, Qt::NoModifier, CloneMode::Natural},
                               Press{Qt::Key_F10, Qt::ShiftModifier, CloneMode::Fit}}) {
        button->setFocus();
        QTest::keyClick(button, press.key, press.modifiers);
        ASSERT_TRUE(QTest::qWaitFor([&] { return openMenu() != nullptr; }, 2000)) << press.key;
        QMenu* menu = openMenu();
        EXPECT_EQ(menu->objectName(), QStringLiteral("CloneMenu"));
        const char* item = press.mode == CloneMode::Fit ? "Fit" : "Natural size";
        for (QAction* action : menu->actions()) {
            if (action->text() == QLatin1String(item)) {
                menu->setActiveAction(action);
            }
        }
        QTest::keyClick(menu, Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return form->Clones().Find(editor, 1)->mode == press.mode; }, 2000))
            << item;
    }
    Row(0).DisplayButtons()[0]->setFocus();
    QTest::keyClick(Row(0).DisplayButtons()[0], Qt::Key_Menu);
    QCoreApplication::processEvents();
    EXPECT_EQ(openMenu(), nullptr) << "a button that is up has no clone to offer";
}

}  // namespace
