// The clone window over the fake platform, on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>

#include <memory>

#include "clone/CloneForm.h"
#include "tests/support/fake/FakePlatform.h"

namespace {

class CloneFormTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "clone_form_tests";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr) {
            new QApplication(argc, argv);  // lives for the whole test program
        }
    }

    void SetUp() override {
        fake_.SetMonitors({{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}});
        source_ = fake_.AddWindow(QStringLiteral("Source"), {1280, 1024});
        owned_ = std::make_unique<TCloneForm>(fake_.Compositor(), fake_.Displays(), fake_.System());
        clone_ = owned_.get();
    }

    // As the main window does it: placed on its display, then shown.
    void Start(int display) {
        ASSERT_TRUE(clone_->StartClone(source_, display));
        clone_->show();
    }

    void Click() {
        const QPointF at(10, 10);
        QMouseEvent press(QEvent::MouseButtonPress, at, clone_->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, clone_->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(clone_, &press);
        QApplication::sendEvent(clone_, &release);
    }

    const ThumbnailRecord& OnlyThumbnail() {
        EXPECT_EQ(fake_.Compositor().Records().size(), 1u);
        return fake_.Compositor().Records().back();
    }

    FakePlatform fake_;
    WindowHandle source_ = 0;
    std::unique_ptr<TCloneForm> owned_;
    TCloneForm* clone_ = nullptr;
};

TEST_F(CloneFormTest, DesignedWindow) {
    EXPECT_EQ(clone_->objectName(), "CloneForm");
    EXPECT_EQ(clone_->windowTitle(), "Window Clone");
    EXPECT_TRUE(clone_->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(clone_->windowFlags() & Qt::WindowStaysOnTopHint);
    // Never takes the focus from the main window.
    EXPECT_TRUE(clone_->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(clone_->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(clone_->size(), QSize(832, 749));
    EXPECT_EQ(clone_->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(clone_->parent(), nullptr);
    EXPECT_FALSE(clone_->HasThumbnail());
    // Kept out of the taskbar before it was first shown.
    EXPECT_EQ(fake_.PreparedCloneWindows(),
              std::vector<WindowHandle>{static_cast<WindowHandle>(clone_->winId())});
}

TEST_F(CloneFormTest, StartRegistersFitsAndCoversTheDisplay) {
    ASSERT_TRUE(clone_->StartClone(source_, 1));
    // In place and fitted before it is ever shown.
    EXPECT_FALSE(clone_->isVisible());
    EXPECT_EQ(clone_->geometry(), QRect(1280, 0, 1920, 1080));
    const auto& thumbnail = OnlyThumbnail();
    EXPECT_TRUE(thumbnail.alive);
    EXPECT_EQ(thumbnail.destination, static_cast<WindowHandle>(clone_->winId()));
    EXPECT_EQ(thumbnail.source, source_);
    EXPECT_TRUE(clone_->HasThumbnail());
    EXPECT_EQ(clone_->SourceWindow(), source_);
    EXPECT_TRUE(clone_->FitToWindow());
    clone_->show();
    EXPECT_EQ(clone_->geometry(), QRect(1280, 0, 1920, 1080));
    // Every placement is against the display: the image never starts at the designed size.
    ASSERT_FALSE(thumbnail.placements.empty());
    for (const ThumbnailPlacement& placement : thumbnail.placements) {
        EXPECT_EQ(placement.destination, QRect(285, 0, 1350, 1080));
        EXPECT_TRUE(placement.visible);
    }
}

TEST_F(CloneFormTest, FollowsItsDisplayWhenItMovesOrResizes) {
    Start(1);
    clone_->FollowDisplay(QRect(0, 200, 1280, 1024));
    EXPECT_EQ(clone_->geometry(), QRect(0, 200, 1280, 1024));
    EXPECT_EQ(OnlyThumbnail().placements.back().destination, QRect(0, 0, 1280, 1024));
    // A display without area leaves the clone where it is; it never shrinks to nothing.
    clone_->FollowDisplay(QRect(0, 0, 0, 0));
    EXPECT_EQ(clone_->geometry(), QRect(0, 200, 1280, 1024));
}

TEST_F(CloneFormTest, TwoClicksReturnToTheFittedRectangle) {
    Start(1);
    const QRect fitted = OnlyThumbnail().placements.back().destination;
    Click();
    EXPECT_FALSE(clone_->FitToWindow());
    EXPECT_EQ(OnlyThumbnail().placements.back().destination, QRect(320, 28, 1280, 1024));
    Click();
    EXPECT_TRUE(clone_->FitToWindow());
    EXPECT_EQ(OnlyThumbnail().placements.back().destination, fitted);
}

// The modes always work; crop and turns only where the compositor can (the fake cannot).
TEST_F(CloneFormTest, MenuOffersTheModesAndOnlyWhatTheCompositorCanDo) {
    Start(1);
    QStringList enabled;
    const std::unique_ptr<QMenu> menu = clone_->MakeMenu();
    for (QAction* action : menu->actions()) {
        if (action->isEnabled() && !action->isSeparator()) {
            enabled << action->text();
        }
        if (action->text() == QLatin1String("Fill")) {
            action->trigger();
        }
    }
    EXPECT_EQ(enabled, QStringList({QStringLiteral("Fit"), QStringLiteral("Natural size"),
                                    QStringLiteral("Fill"), QStringLiteral("Stretch"),
                                    QStringLiteral("No Turn")}));
    // The action runs from the event loop, once the menu has gone.
    QApplication::processEvents();
    EXPECT_EQ(clone_->Mode(), CloneMode::Fill);
    EXPECT_EQ(OnlyThumbnail().placements.back().destination, QRect(0, -228, 1920, 1536));
}

TEST_F(CloneFormTest, EveryStartIsInFitMode) {
    Start(1);
    Click();
    ASSERT_FALSE(clone_->FitToWindow());
    clone_->StartClone(source_, 0);
    EXPECT_TRUE(clone_->FitToWindow());
    // The first registration was given back before the second was made.
    EXPECT_EQ(fake_.Compositor().LiveCount(), 1);
    EXPECT_EQ(fake_.Compositor().Records().back().placements.back().destination,
              QRect(0, 0, 1280, 1024));
}

TEST_F(CloneFormTest, FailedRegistrationLeavesABlackCloneOnItsDisplay) {
    fake_.Compositor().FailNextRegistration();
    Start(1);
    EXPECT_FALSE(clone_->HasThumbnail());
    EXPECT_TRUE(fake_.Compositor().Records().empty());
    EXPECT_EQ(clone_->geometry(), QRect(1280, 0, 1920, 1080));
    Click();
    EXPECT_FALSE(clone_->FitToWindow());
    EXPECT_TRUE(fake_.Compositor().Records().empty());
}

TEST_F(CloneFormTest, ZeroSourceSizeSkipsTheUpdate) {
    fake_.ResizeWindow(source_, {0, 0});
    Start(1);
    EXPECT_TRUE(clone_->HasThumbnail());
    EXPECT_TRUE(OnlyThumbnail().placements.empty());
    Click();
    EXPECT_TRUE(OnlyThumbnail().placements.empty());
}

TEST_F(CloneFormTest, MissingDisplayStartsNothing) {
    const QRect before = clone_->geometry();
    fake_.SetMonitors({{0, 0, 1280, 1024}, {1280, 0, 0, 0}});
    EXPECT_FALSE(clone_->StartClone(source_, 7));
    EXPECT_FALSE(clone_->StartClone(source_, -1));
    EXPECT_FALSE(clone_->StartClone(source_, 1));
    EXPECT_FALSE(clone_->HasThumbnail());
    EXPECT_TRUE(fake_.Compositor().Records().empty());
    EXPECT_EQ(clone_->geometry(), before);
}

TEST_F(CloneFormTest, CloseRequestsFromOutsideAreRefused) {
    Start(1);
    QCloseEvent request;
    QApplication::sendEvent(clone_, &request);
    EXPECT_FALSE(request.isAccepted());
    EXPECT_FALSE(clone_->close());
    EXPECT_TRUE(clone_->isVisible());
    EXPECT_TRUE(OnlyThumbnail().alive);
}

TEST_F(CloneFormTest, CloseCloneUnregistersAndHides) {
    Start(1);
    clone_->CloseClone();
    EXPECT_TRUE(clone_->AllowClose());
    EXPECT_FALSE(clone_->isVisible());
    EXPECT_FALSE(OnlyThumbnail().alive);
    EXPECT_FALSE(clone_->HasThumbnail());
}

TEST_F(CloneFormTest, DestroyingTheCloneReleasesItsThumbnail) {
    Start(1);
    ASSERT_EQ(fake_.Compositor().LiveCount(), 1);
    owned_.reset();
    EXPECT_EQ(fake_.Compositor().LiveCount(), 0);
}

}  // namespace
