// The main window over a platform whose desktop chooses windows in its own picker: the
// "Choose Window..." button, clones shown full screen by screen, and a failed choice shown
// to the user.
#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include "platform/WindowPicker.h"
#include "tests/mainwindow/MainFormFixture.h"

namespace {

class FakePicker : public WindowPicker {
  public:
    bool CanChoose() const override { return canChoose; }
    void Choose() override { ++chooseCalls; }
    bool ClonesNeedScreen() const override { return needScreen; }

    bool canChoose = false;
    bool needScreen = true;
    int chooseCalls = 0;
};

class PickerPlatform : public FakePlatform, public WindowPickerProvider {
  public:
    WindowPicker& Picker() override { return picker; }
    FakePicker picker;
};

class WindowPickerTest : public MainFormTest {
  protected:
    void SetUp() override {
        auto withPicker = std::make_unique<PickerPlatform>();
        picker = &withPicker->picker;
        platform = std::move(withPicker);
        fake = platform.get();
        MainFormTest::SetUp();
        editor = fake->AddWindow(QStringLiteral("Editor"), {640, 480});
    }

    TCloneForm& PressDisplayButton(std::size_t display) {
        QToolButton* button = Row(0).DisplayButtons().at(display);
        QTest::mouseClick(button, Qt::LeftButton);
        TCloneForm* clone = Row(0).Clone(display);
        EXPECT_NE(clone, nullptr);
        return *clone;
    }

    FakePicker* picker = nullptr;
    WindowHandle editor = 0;
};

TEST_F(WindowPickerTest, ChooseButtonOnlyWhereThePickerOffersIt) {
    for (const bool canChoose : {false, true}) {
        SCOPED_TRACE(canChoose);
        picker->canChoose = canChoose;
        picker->chooseCalls = 0;
        TMainForm& form = MakeForm();
        ASSERT_EQ(form.ChooseWindowButtonW != nullptr, canChoose);
        if (canChoose) {
            EXPECT_EQ(form.ChooseWindowButtonW->objectName(),
                      QStringLiteral("ChooseWindowButtonW"));
            // Beside the bottom buttons, between the tray button and Exit.
            const QRect choose = form.ChooseWindowButtonW->geometry();
            EXPECT_EQ(choose.top(), form.HideButtonW->y());
            EXPECT_GT(choose.left(), form.HideButtonW->geometry().right());
            EXPECT_LT(choose.right(), form.ExitButtonW->x());
            QTest::mouseClick(form.ChooseWindowButtonW, Qt::LeftButton);
            EXPECT_EQ(picker->chooseCalls, 1);
        }
    }
}

TEST_F(WindowPickerTest, ClonesGoFullScreenOnlyWhenPlacedByScreen) {
    for (const bool needScreen : {false, true}) {
        SCOPED_TRACE(needScreen);
        picker->needScreen = needScreen;
        MakeForm();
        TCloneForm& clone = PressDisplayButton(1);
        EXPECT_TRUE(clone.isVisible());
        EXPECT_EQ(clone.isFullScreen(), needScreen);
        EXPECT_TRUE(clone.HasThumbnail());
        form.reset();
    }
}

// One box at a time: while it is open, "Choose Window..." brings it back instead of trying
// again, and a later failure replaces its text.
TEST_F(WindowPickerTest, FailedChoiceIsShownWithoutBlockingInOneBox) {
    picker->canChoose = true;
    TMainForm& form = MakeForm();
    const auto boxes = [&] {
        return form.findChildren<QMessageBox*>(QStringLiteral("ChoiceFailedMessage"));
    };
    QTest::mouseClick(form.ChooseWindowButtonW, Qt::LeftButton);
    emit picker->ChoiceFailed(QStringLiteral("The portal is not available."));
    ASSERT_EQ(boxes().size(), 1);
    QMessageBox* box = boxes().front();
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), QStringLiteral("The portal is not available."));

    QTest::mouseClick(form.ChooseWindowButtonW, Qt::LeftButton);
    EXPECT_EQ(picker->chooseCalls, 1) << "the open box came to the front instead";
    emit picker->ChoiceFailed(QStringLiteral("Still no portal."));
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_EQ(box->text(), QStringLiteral("Still no portal."));

    box->close();
    QTest::mouseClick(form.ChooseWindowButtonW, Qt::LeftButton);
    EXPECT_EQ(picker->chooseCalls, 2) << "with the box closed, the picker opens again";
}

}  // namespace
