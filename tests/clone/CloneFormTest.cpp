// The clone window over the fake platform, on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPointer>

#include <memory>

#include "clone/WindowCloneUnit.h"
#include "platform/fake/FakePlatform.h"

namespace {

constexpr std::uint32_t kPlacementFlags = 0x19;

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
        fake_ = &InstallFakePlatform();
        fake_->SetMonitors({{0, 0, 1280, 1024}, {1280, 0, 1920, 1080}});
        source_ = fake_->AddWindow(u"Source", {1280, 1024});
        owner_ = std::make_unique<QWidget>();
        clone_ = new TCloneForm(owner_.get());
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

    const FakePlatform::Thumbnail& OnlyThumbnail() const {
        EXPECT_EQ(fake_->Thumbnails().size(), 1u);
        return fake_->Thumbnails().back();
    }

    FakePlatform* fake_ = nullptr;
    WindowHandle source_ = 0;
    std::unique_ptr<QWidget> owner_;
    TCloneForm* clone_ = nullptr;
};

TEST_F(CloneFormTest, DesignedWindow) {
    EXPECT_EQ(clone_->objectName(), "CloneForm");
    EXPECT_EQ(clone_->windowTitle(), "Window Clone");
    EXPECT_TRUE(clone_->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(clone_->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(clone_->size(), QSize(832, 749));
    EXPECT_EQ(clone_->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(clone_->parent(), nullptr);
    EXPECT_EQ(clone_->Thumbnail(), 0u);
}

TEST_F(CloneFormTest, StartRegistersFitsAndCoversTheDisplay) {
    clone_->StartClone(source_, 1);
    const auto& thumbnail = OnlyThumbnail();
    EXPECT_TRUE(thumbnail.registered);
    EXPECT_EQ(thumbnail.destination, static_cast<WindowHandle>(clone_->winId()));
    EXPECT_EQ(thumbnail.source, source_);
    EXPECT_EQ(clone_->Thumbnail(), thumbnail.handle);
    EXPECT_EQ(clone_->SourceWindow(), source_);
    EXPECT_TRUE(clone_->FitToWindow());
    EXPECT_EQ(clone_->geometry(), QRect(1280, 0, 1920, 1080));
    // First against the designed size, then against the display.
    ASSERT_EQ(thumbnail.updates.size(), 2u);
    EXPECT_EQ(thumbnail.updates[0].destination, (EdgeRect{0, 41, 832, 708}));
    const ThumbnailProperties& last = thumbnail.updates.back();
    EXPECT_EQ(last.flags, kPlacementFlags);
    EXPECT_EQ(last.destination, (EdgeRect{285, 0, 1635, 1080}));
    EXPECT_TRUE(last.visible);
    EXPECT_TRUE(last.sourceClientAreaOnly);
}

TEST_F(CloneFormTest, TwoClicksReturnToTheFittedRectangle) {
    clone_->StartClone(source_, 1);
    const EdgeRect fitted = OnlyThumbnail().updates.back().destination;
    Click();
    EXPECT_FALSE(clone_->FitToWindow());
    EXPECT_EQ(OnlyThumbnail().updates.back().destination, (EdgeRect{320, 28, 1600, 1052}));
    Click();
    EXPECT_TRUE(clone_->FitToWindow());
    EXPECT_EQ(OnlyThumbnail().updates.back().destination, fitted);
}

TEST_F(CloneFormTest, EveryStartIsInFitMode) {
    clone_->StartClone(source_, 1);
    Click();
    ASSERT_FALSE(clone_->FitToWindow());
    clone_->StartClone(source_, 0);
    EXPECT_TRUE(clone_->FitToWindow());
    // The first registration was given back before the second was made.
    EXPECT_EQ(fake_->LiveThumbnailCount(), 1);
    EXPECT_EQ(fake_->Thumbnails().back().updates.back().destination, (EdgeRect{0, 0, 1280, 1024}));
}

TEST_F(CloneFormTest, FailedRegistrationLeavesABlackCloneOnItsDisplay) {
    fake_->FailNextRegistration();
    clone_->StartClone(source_, 1);
    EXPECT_EQ(clone_->Thumbnail(), 0u);
    EXPECT_TRUE(fake_->Thumbnails().empty());
    EXPECT_EQ(clone_->geometry(), QRect(1280, 0, 1920, 1080));
    Click();
    EXPECT_FALSE(clone_->FitToWindow());
    EXPECT_TRUE(fake_->Thumbnails().empty());
}

TEST_F(CloneFormTest, ZeroSourceSizeSkipsTheUpdate) {
    fake_->ResizeWindow(source_, {0, 0});
    clone_->StartClone(source_, 1);
    EXPECT_NE(clone_->Thumbnail(), 0u);
    EXPECT_TRUE(OnlyThumbnail().updates.empty());
    Click();
    EXPECT_TRUE(OnlyThumbnail().updates.empty());
}

TEST_F(CloneFormTest, DisplayWithoutAreaGivesATinyCloneWithoutCrash) {
    clone_->StartClone(source_, 7);
    EXPECT_EQ(clone_->pos(), QPoint(0, 0));
    EXPECT_GE(clone_->width(), 1);
    EXPECT_GE(clone_->height(), 1);
    EXPECT_TRUE(OnlyThumbnail().registered);
}

TEST_F(CloneFormTest, CloseRequestsFromOutsideAreRefused) {
    clone_->StartClone(source_, 1);
    QCloseEvent request;
    QApplication::sendEvent(clone_, &request);
    EXPECT_FALSE(request.isAccepted());
    EXPECT_FALSE(clone_->close());
    EXPECT_TRUE(clone_->isVisible());
    EXPECT_TRUE(OnlyThumbnail().registered);
}

TEST_F(CloneFormTest, CloseCloneUnregistersAndHides) {
    clone_->StartClone(source_, 1);
    clone_->CloseClone();
    EXPECT_TRUE(clone_->AllowClose());
    EXPECT_FALSE(clone_->isVisible());
    EXPECT_FALSE(OnlyThumbnail().registered);
    EXPECT_EQ(clone_->Thumbnail(), 0u);
}

TEST_F(CloneFormTest, OwnerTakesTheCloneAlongAndItsThumbnailGoes) {
    clone_->StartClone(source_, 1);
    QPointer<TCloneForm> watched(clone_);
    owner_.reset();
    EXPECT_TRUE(watched.isNull());
    EXPECT_EQ(fake_->LiveThumbnailCount(), 0);
}

}  // namespace
