// The main window's design, its bottom buttons, the tray icon and the Alt-key repaint.
#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "about/AboutForm.h"
#include "tests/mainwindow/MainFormFixture.h"

namespace {

using FormTest = MainFormTest;

TEST_F(FormTest, DesignedWindowAndControls) {
    MakeForm();
    EXPECT_EQ(form->objectName(), QStringLiteral("MainForm"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quillane Vantrel"));
    EXPECT_EQ(form->size(), QSize(727, 551));
    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);

    struct Expected {
        QWidget* widget;
        const char* name;
        QRect bounds;  // empty: the end-to-end tests click the button where it belongs
        const char* text;
    };
    const Expected controls[] = {
        {form->MonitorsLabelW, "MonitorsLabelW", {8, 16, 289, 18}, "This system has 9 monitors."},
        {form->WindowListLabelW, "WindowListLabelW", {8, 43, 201, 15}, "Window List:"},
        {form->HelpLabelW,
         "HelpLabelW",
         {8, 464, 711, 50},
         "Locate the window that you want to clone and click the display number button on its "
         "left to clone on that display. Click the button again to remove the clone of the "
         "window."},
        {form->AboutButtonW, "AboutButtonW", {8, 520, 89, 25}, "A&bout..."},
        {form->IdentifyMonitorsButtonW, "IdentifyMonitorsButtonW", {}, "Identify Monitors"},
        {form->HideButtonW, "HideButtonW", {}, "Hide in System Tray"},
        {form->ExitButtonW, "ExitButtonW", {}, "E&xit"},
    };
    for (const Expected& c : controls) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.widget->objectName(), QString::fromLatin1(c.name));
        if (!c.bounds.isEmpty()) {
            EXPECT_EQ(c.widget->geometry(), c.bounds);
        }
        const QString text = qobject_cast<QLabel*>(c.widget)
                                 ? qobject_cast<QLabel*>(c.widget)->text()
                                 : qobject_cast<QAbstractButton*>(c.widget)->text();
        EXPECT_EQ(text, QString::fromUtf8(c.text));
    }
    EXPECT_TRUE(form->MonitorsLabelW->wordWrap());
    EXPECT_TRUE(form->HelpLabelW->wordWrap());
    EXPECT_EQ(form->WindowsScrollBox->geometry(), QRect(6, 64, 713, 401));
    // Tab order follows creation: the list, then the four buttons.
    EXPECT_EQ(form->WindowsScrollBox->nextInFocusChain()->window(), form.get());
    EXPECT_EQ(form->AboutButtonW->nextInFocusChain(), form->IdentifyMonitorsButtonW);
    EXPECT_EQ(form->IdentifyMonitorsButtonW->nextInFocusChain(), form->HideButtonW);
    EXPECT_EQ(form->HideButtonW->nextInFocusChain(), form->ExitButtonW);
}

TEST_F(FormTest, AnchoredControlsFollowTheWindowSize) {
    MakeForm();
    form->show();
    form->resize(727 + 100, 551 + 60);
    EXPECT_EQ(form->MonitorsLabelW->geometry(), QRect(8, 16, 289, 18));
    EXPECT_EQ(form->WindowsScrollBox->geometry(), QRect(6, 64, 813, 461));
    EXPECT_EQ(form->HelpLabelW->geometry(), QRect(8, 524, 811, 50));
    EXPECT_EQ(form->AboutButtonW->geometry(), QRect(8, 580, 89, 25));
    EXPECT_EQ(form->HideButtonW->geometry(), QRect(231, 580, 122, 25));
    EXPECT_EQ(form->ExitButtonW->geometry(), QRect(732, 580, 89, 25));
    form->resize(200, 100);
    EXPECT_GE(form->WindowsScrollBox->width(), 0);
    EXPECT_EQ(form->WindowsScrollBox->height(), 0);
}

TEST_F(FormTest, FirstShowCentresTheWindow) {
    MakeForm();
    form->show();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // The window's frame may add a pixel or two on either side.
    EXPECT_LE(std::abs(form->geometry().center().x() - screen.center().x()), 4);
    EXPECT_LE(std::abs(form->geometry().center().y() - screen.center().y()), 4);
}

TEST_F(FormTest, TrayMenuAndIcon) {
    MakeForm();
    const QList<QAction*> actions = form->TrayPopupMenu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0], form->OpenItem);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Open Vantrel"));
    EXPECT_EQ(form->TrayPopupMenu->defaultAction(), form->OpenItem);
    EXPECT_TRUE(form->OpenItem->font().bold());
    EXPECT_EQ(actions[1]->text(), QStringLiteral("About..."));
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions[3]->text(), QStringLiteral("Exit"));
    EXPECT_EQ(form->TrayIcon->toolTip(), QStringLiteral("Quillane Vantrel"));
    EXPECT_EQ(form->TrayIcon->contextMenu(), form->TrayPopupMenu);
    EXPECT_FALSE(form->TrayIcon->icon().isNull());
    EXPECT_FALSE(form->TrayIcon->isVisible());
}

TEST_F(FormTest, HideShowsTheTrayIconAndItsClickBringsTheWindowBack) {
    MakeForm();
    form->SetTrayAvailableProbe([] { return true; });
    form->show();
    form->move(40, 30);
    const QPoint where = form->pos();
    for (int round = 1; round <= 2; ++round) {
        QTest::mouseClick(form->HideButtonW, Qt::LeftButton);
        EXPECT_FALSE(form->isVisible());
        EXPECT_TRUE(form->TrayIcon->isVisible());
        EXPECT_EQ(form->BalloonsShown(), round);
        form->TrayIconClick();
        EXPECT_TRUE(form->isVisible());
        EXPECT_FALSE(form->TrayIcon->isVisible());
        EXPECT_EQ(form->pos(), where);
    }
    // The menu's Open item does the same as a click on the icon.
    form->HideButtonClick();
    form->OpenItem->trigger();
    EXPECT_TRUE(form->isVisible());
}

TEST_F(FormTest, HideWithoutNotificationAreaMinimises) {
    MakeForm();
    form->SetTrayAvailableProbe([] { return false; });
    form->show();
    form->HideButtonClick();
    EXPECT_TRUE(form->isMinimized());
    EXPECT_FALSE(form->TrayIcon->isVisible());
    EXPECT_EQ(form->BalloonsShown(), 0);
}

TEST_F(FormTest, ExitFromTheTrayMenuWhileHiddenClosesTheWindow) {
    fake->AddWindow(QStringLiteral("Editor"));
    MakeForm();
    form->SetTrayAvailableProbe([] { return true; });
    form->show();
    QTest::mouseClick(Row(0).DisplayButtons()[0], Qt::LeftButton);
    QPointer<TCloneForm> clone = Row(0).Clone(0);
    form->HideButtonClick();
    EXPECT_FALSE(clone.isNull()) << "hiding keeps clones";
    QSignalSpy closed(form.get(), &TMainForm::Closed);
    form->ExitItem->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(clone.isNull());
    EXPECT_FALSE(form->isVisible());
}

// The About command makes a new modal About window, shows it and destroys it once closed;
// the button and the tray menu's item do the same.
TEST_F(FormTest, AboutMakesShowsAndDestroysTheAboutWindow) {
    MakeForm();
    form->show();
    for (QAction* trigger : {static_cast<QAction*>(nullptr), form->AboutItem}) {
        QPointer<TAboutForm> shown;
        bool seen = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* about = qobject_cast<TAboutForm*>(w);
                if (about != nullptr && about->isVisible()) {
                    shown = about;
                    seen = true;
                    EXPECT_TRUE(about->isModal());
                    EXPECT_EQ(about->parentWidget(), nullptr);
                    poll.stop();
                    about->reject();
                    return;
                }
            }
        });
        poll.start(10);
        QTimer::singleShot(10000, &poll, &QTimer::stop);
        if (trigger == nullptr) {
            form->AboutButtonClick();
        } else {
            trigger->trigger();
        }
        EXPECT_TRUE(seen);
        EXPECT_TRUE(shown.isNull()) << "the About window is destroyed when it closes";
        for (QWidget* w : QApplication::topLevelWidgets()) {
            EXPECT_EQ(qobject_cast<TAboutForm*>(w), nullptr);
        }
    }
}

TEST_F(FormTest, ActivationFocusesTheMainWindowOnlyWhenShown) {
    MakeForm();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    form->ApplicationActivate();
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &other);
    form->show();
    form->ApplicationActivate();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->isActiveWindow(); }));
}

// Sequences of keys and the number of repaint passes they cause.
struct AltKeyCase {
    std::vector<int> keys;
    int passes;
};

class AltKeyTest : public MainFormTest, public ::testing::WithParamInterface<AltKeyCase> {};

TEST_P(AltKeyTest, RepaintsButtonsAfterAlt) {
    MakeForm();
    QSignalSpy repainted(form->AltKeyRepaint, &TAltKeyRepaint::Repainted);
    for (int key : GetParam().keys) {
        form->FormShortCut(key);
        // Each key's delay runs out before the next key, as when typed by hand.
        if (form->AltKeyRepaint->Pending()) {
            ASSERT_TRUE(repainted.wait(1000));
        }
    }
    EXPECT_EQ(repainted.count(), GetParam().passes);
    for (const QList<QVariant>& pass : repainted) {
        EXPECT_EQ(pass.at(0).toInt(), 4) << "the four bottom buttons";
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, AltKeyTest,
                         ::testing::Values(AltKeyCase{{kKeyCodeAlt}, 1},
                                           AltKeyCase{{kKeyCodeTab}, 0},
                                           AltKeyCase{{kKeyCodeLeft, kKeyCodeDown}, 0},
                                           AltKeyCase{{kKeyCodeAlt, kKeyCodeTab}, 2},
                                           AltKeyCase{{kKeyCodeAlt, kKeyCodeRight, kKeyCodeTab}, 2},
                                           AltKeyCase{{kKeyCodeAlt, 65, kKeyCodeUp}, 2},
                                           AltKeyCase{{kKeyCodeAlt, kKeyCodeAlt, kKeyCodeTab}, 3}),
                         [](const ::testing::TestParamInfo<AltKeyCase>& info) {
                             std::string name;
                             for (int key : info.param.keys) {
                                 name += "K" + std::to_string(key);
                             }
                             return name;
                         });

TEST(AltKeyRepaintTest, QtKeysMapToTheirCodes) {
    EXPECT_EQ(KeyCodeFromQtKey(Qt::Key_Tab), 9);
    EXPECT_EQ(KeyCodeFromQtKey(Qt::Key_Backtab), 9);
    EXPECT_EQ(KeyCodeFromQtKey(Qt::Key_Alt), 18);
    EXPECT_EQ(KeyCodeFromQtKey(Qt::Key_Left), 37);
    EXPECT_EQ(KeyCodeFromQtKey(Qt::Key_Up), 38);
    EXPECT_EQ(KeyCodeFromQtKey(Qt::Key_Right), 39);
    EXPECT_EQ(KeyCodeFromQtKey(Qt::Key_Down), 40);
    EXPECT_EQ(KeyCodeFromQtKey(Qt::Key_A), 0);
}

TEST_F(FormTest, AltKeyPressRepaintsTheVisibleButtons) {
    MakeForm();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->AboutButtonW->setFocus();
    class PaintCounter : public QObject {
      public:
        bool eventFilter(QObject*, QEvent* e) override {
            count += e->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
        int count = 0;
    } paints;
    QCoreApplication::processEvents();
    form->ExitButtonW->installEventFilter(&paints);
    QSignalSpy repainted(form->AltKeyRepaint, &TAltKeyRepaint::Repainted);
    QTest::keyPress(form->AboutButtonW, Qt::Key_Alt);
    ASSERT_TRUE(repainted.wait(1000));
    EXPECT_GE(paints.count, 1);
    QTest::keyRelease(form->AboutButtonW, Qt::Key_Alt);
}

TEST_F(FormTest, DisabledComponentDoesNothing) {
    MakeForm();
    form->AltKeyRepaint->SetEnabled(false);
    form->FormShortCut(kKeyCodeAlt);
    EXPECT_FALSE(form->AltKeyRepaint->Pending());
}

}  // namespace
