// The rows, their clones and the monitor line when the displays change while the program runs.
#include <QApplication>
#include <QPointer>
#include <QTest>

#include "mainwindow/DisplayMatch.h"
#include "tests/mainwindow/MainFormFixture.h"

namespace {

DisplayInfo Display(const char* name, QRect rect) {
    return {rect, QString::fromLatin1(name)};
}

struct MatchCase {
    const char* what;
    std::vector<DisplayInfo> before;
    std::vector<DisplayInfo> after;
    std::vector<std::optional<std::size_t>> moved;
};

class DisplayMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(DisplayMatchTest, MapsOldDisplaysOntoNewOnes) {
    EXPECT_EQ(MatchDisplays(GetParam().before, GetParam().after), GetParam().moved);
}

const QRect kA(0, 0, 1920, 1080);
const QRect kB(1920, 0, 1280, 1024);
const QRect kC(0, 1080, 1024, 768);

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayMatchTest,
    ::testing::Values(MatchCase{"NamedMovesWithItsName",
                                {Display("A", kA), Display("B", kB)},
                                {Display("B", kB), Display("C", kC), Display("A", kA)},
                                {2, 0}},
                      MatchCase{"NamedGoneHasNoPlace",
                                {Display("A", kA), Display("B", kB)},
                                {Display("B", kB)},
                                {std::nullopt, 0}},
                      MatchCase{"UnnamedKeepsItsIndex",
                                {Display("", kA), Display("", kB), Display("", kC)},
                                {Display("", kB), Display("", kC)},
                                {0, 1, std::nullopt}},
                      MatchCase{"NameNeverTakenTwice",
                                {Display("A", kA), Display("A", kB)},
                                {Display("A", kC)},
                                {0, std::nullopt}},
                      MatchCase{"AllGone", {Display("A", kA)}, {}, {std::nullopt}}),
    [](const ::testing::TestParamInfo<MatchCase>& info) { return info.param.what; });

class DisplayChangeTest : public MainFormTest {
  protected:
    void SetUp() override {
        MainFormTest::SetUp();
        fake->Displays().Set({Display("A", kA), Display("B", kB)});
        editor = fake->AddWindow(QStringLiteral("Editor"));
        fake->AddWindow(QStringLiteral("Viewer"));
        MakeForm();
    }

    void ExpectButtons(std::size_t count) const {
        for (const auto& row : form->Rows()) {
            ASSERT_EQ(row->DisplayButtons().size(), count);
            for (std::size_t i = 0; i < count; ++i) {
                EXPECT_EQ(row->DisplayButtons()[i]->text(), QString::number(i + 1));
                EXPECT_EQ(row->DisplayButtons()[i]->x(), 6 + 39 * static_cast<int>(i));
                EXPECT_EQ(row->DisplayButtons()[i]->isChecked(), row->Clone(i) != nullptr);
            }
            EXPECT_EQ(row->TitleLabel()->x(), 6 + 39 * static_cast<int>(count));
        }
    }

    static void Click(QToolButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    WindowHandle editor = 0;
};

TEST_F(DisplayChangeTest, AddedDisplayGivesEveryRowAButtonAndTheLineUpdatesAtOnce) {
    Click(Row(0).DisplayButtons()[1]);
    QPointer<TCloneForm> clone = Row(0).Clone(1);
    fake->Displays().Set({Display("A", kA), Display("B", kB), Display("C", kC)});
    ExpectButtons(3);
    EXPECT_EQ(form->MonitorsLabelW->text(), QStringLiteral("This system has 3 monitors."));
    EXPECT_EQ(Row(0).Clone(1), clone);
    EXPECT_EQ(clone->geometry(), kB);
    // A row made afterwards has as many buttons as the others.
    fake->AddWindow(QStringLiteral("Late"));
    form->RefreshWindowList();
    form->ArrangeRows();
    ExpectButtons(3);
    Click(Row(2).DisplayButtons()[2]);
    ASSERT_NE(Row(2).Clone(2), nullptr);
    EXPECT_EQ(Row(2).Clone(2)->geometry(), kC);
}

TEST_F(DisplayChangeTest, CloneOfARemovedDisplayClosesAndItsButtonGoes) {
    Click(Row(0).DisplayButtons()[0]);
    Click(Row(0).DisplayButtons()[1]);
    QPointer<TCloneForm> onA = Row(0).Clone(0);
    QPointer<TCloneForm> onB = Row(0).Clone(1);
    // A is unplugged: B becomes display 1 and its clone goes with it.
    fake->Displays().Set({Display("B", kB)});
    ExpectButtons(1);
    EXPECT_EQ(form->MonitorsLabelW->text(), QStringLiteral("This system has 1 monitor."));
    EXPECT_TRUE(onA.isNull());
    EXPECT_EQ(Row(0).Clone(0), onB);
    EXPECT_TRUE(Row(0).DisplayButtons()[0]->isChecked());
    EXPECT_EQ(onB->geometry(), kB);
    EXPECT_EQ(fake->Compositor().LiveCount(), 1);
    // Every display gone: every clone closes, no row keeps a button.
    fake->Displays().Set({});
    ExpectButtons(0);
    EXPECT_TRUE(onB.isNull());
    EXPECT_EQ(fake->Compositor().LiveCount(), 0);
}

TEST_F(DisplayChangeTest, CloneFollowsItsDisplayWhenItMovesOrResizes) {
    Click(Row(1).DisplayButtons()[1]);
    const QRect moved(0, 1080, 1600, 900);
    fake->Displays().Set({Display("A", kA), Display("B", moved)});
    ExpectButtons(2);
    ASSERT_NE(Row(1).Clone(1), nullptr);
    EXPECT_EQ(Row(1).Clone(1)->geometry(), moved);
    EXPECT_EQ(Row(1).Clone(1)->ClientPixelSize(), moved.size());
}

// Keyboard order: the scroll box, every row's buttons in list order, then the bottom buttons,
// also for rows made after the window and for buttons of a display added later.
TEST_F(DisplayChangeTest, RowsKeepListOrderBeforeTheBottomButtonsInTabOrder) {
    fake->AddWindow(QStringLiteral("Late"));
    form->RefreshWindowList();
    fake->Displays().Set({Display("A", kA), Display("B", kB), Display("C", kC)});
    std::vector<QWidget*> expected;
    for (const auto& row : form->Rows()) {
        expected.insert(expected.end(), row->DisplayButtons().begin(), row->DisplayButtons().end());
    }
    expected.push_back(form->AboutButtonW);
    std::vector<QWidget*> seen;
    for (QWidget* w = form->WindowsScrollBox->nextInFocusChain();
         w != form->WindowsScrollBox && seen.size() < 100; w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus) {
            seen.push_back(w);
        }
        if (w == form->AboutButtonW) {
            break;
        }
    }
    EXPECT_EQ(seen, expected);
}

// Tab from Exit comes round to row 1's first display button; a whole round stops on each
// button once and nowhere else (no stop where nothing shows the focus).
TEST_F(DisplayChangeTest, TabGoesRoundTheButtonsOnlyFromExitToTheFirstRow) {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    std::vector<QWidget*> expected;
    for (const auto& row : form->Rows()) {
        expected.insert(expected.end(), row->DisplayButtons().begin(), row->DisplayButtons().end());
    }
    expected.insert(expected.end(), {form->AboutButtonW, form->IdentifyMonitorsButtonW,
                                     form->HideButtonW, form->ExitButtonW});
    form->ExitButtonW->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> landed;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        EXPECT_TRUE(focus->isVisible()) << focus->objectName().toStdString();
        landed.push_back(focus);
    }
    EXPECT_EQ(landed, expected);
}

}  // namespace
