// The main window on a 1920 x 1080 monitor at a scale factor of 2 (a 960 x 540 work area):
// it fits the work area instead of reaching below the screen. Runs on the offscreen platform
// with a screen of that size (hidpi-screen.json).
#include <QGuiApplication>
#include <QScreen>

#include "tests/mainwindow/MainFormFixture.h"

namespace {

// The application is made before the first test runs; the screen must be chosen before that.
[[maybe_unused]] const bool kScreenChosen =
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" VANTREL_HIDPI_SCREEN);

using HiDpiTest = MainFormTest;

TEST_F(HiDpiTest, MainWindowFitsTheWorkAreaAndTheListScrolls) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_EQ(screen->devicePixelRatio(), 2.0);
    const QRect area = screen->availableGeometry();
    ASSERT_EQ(area.size(), QSize(960, 540));
    for (int i = 0; i < 30; ++i) {
        fake->AddWindow(QStringLiteral("Window %1").arg(i));
    }
    MakeForm();
    form->show();
    EXPECT_TRUE(area.contains(form->frameGeometry())) << form->frameGeometry().y();
    // The bottom buttons are inside the window, below the list, which gave up the height.
    for (QWidget* button :
         {static_cast<QWidget*>(form->AboutButtonW), static_cast<QWidget*>(form->ExitButtonW)}) {
        EXPECT_TRUE(form->rect().contains(button->geometry()))
            << button->objectName().toStdString();
        EXPECT_GE(button->y(), form->WindowsScrollBox->geometry().bottom());
    }
    EXPECT_LT(form->WindowsScrollBox->height(), 401);
    EXPECT_GT(form->WindowsScrollBox->height(), 100);
    EXPECT_GT(form->RowHost()->height(), form->WindowsScrollBox->viewport()->height());
    // Wide enough for the designed width.
    EXPECT_EQ(form->width(), TMainForm::kDesignedWidth);
}

}  // namespace
