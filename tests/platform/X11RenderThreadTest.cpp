// The thumbnails' reader thread draws new frames on its own: a clone follows its source
// while the main thread does nothing at all, and thumbnails come and go safely while
// frames keep arriving. Each case runs on a private Xvfb; another connection changes the
// source and looks at the screen.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QRasterWindow>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/x11/X11Platform.h"
#include "platform/x11/connection/X11Context.h"
#include "platform/x11/thumbnails/X11Compositor.h"
#include "tests/e2e/support/WaitUntil.h"
#include "tests/e2e/support/XClient.h"
#include "tests/platform/X11TestSession.h"

namespace {

constexpr QRgb kWhite = 0xffffffu;
constexpr QRgb kRed = 0xff0000u;
constexpr QRgb kGreen = 0x00ff00u;
constexpr QRgb kBlue = 0x0000ffu;
// Where the thumbnail's image is (the destination sits at the origin, the source 1:1).
constexpr QPoint kProbe(100, 100);

// Fills a window with one colour from a connection of the caller's: a damage for the
// thumbnails, with nothing else for the program to read.
void Paint(XClient& x, xcb_window_t window, QRgb colour) {
    const std::uint32_t pixel = colour;
    xcb_change_window_attributes(x.Connection(), window, XCB_CW_BACK_PIXEL, &pixel);
    xcb_clear_area(x.Connection(), 0, window, 0, 0, 0, 0);
    x.Sync();
}

// Polls the screen from a thread that is not the main one (no Qt events there).
bool ScreenShows(XClient& x, QPoint at, QRgb colour, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (SameColour(x.PixelAt(at.x(), at.y()), colour)) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

class X11RenderThreadTest : public X11SessionTest {
  protected:
    void SetUp() override {
        X11SessionTest::SetUp();
        platform_ = CreateX11Platform();
        compositor_ = dynamic_cast<X11Compositor*>(&platform_->Compositor());
        ASSERT_NE(compositor_, nullptr);
        destination_ = std::make_unique<QRasterWindow>();
        destination_->setGeometry(0, 0, 400, 300);
        destination_->show();
        ASSERT_TRUE(WaitUntil([&] { return destination_->isExposed(); }, 5000));
        s_->Client().MoveTo(3000, 1000);  // the pointer stays off the source
        source_ = s_->CreateTitled("Source");
        const std::uint32_t geometry[] = {1000, 400, 400, 300};
        xcb_configure_window(s_->Connection(), source_,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT,
                             geometry);
        Paint(s_->Client(), source_, kWhite);
    }
    void TearDown() override {
        thumbnail_.reset();
        destination_.reset();
        platform_.reset();
        X11SessionTest::TearDown();
    }
    void Clone() {
        thumbnail_ = platform_->Compositor().CreateThumbnail(
            static_cast<WindowHandle>(destination_->winId()), source_);
        ASSERT_NE(thumbnail_, nullptr);
        thumbnail_->Place(QRect(0, 0, 400, 300), true);
    }
    // Lets the main thread hand out whatever is still on its way (configures, exposures),
    // so that what follows is nothing but frames: a property change of a window the
    // thumbnails' connection watches comes after everything the server sent before it.
    void Settle(QRgb shown) {
        ASSERT_TRUE(WaitUntil(
            [&] { return SameColour(s_->Client().PixelAt(kProbe.x(), kProbe.y()), shown); }, 5000));
        X11Context* own = compositor_->Connection();
        X11TestSession::WindowSpec unmapped;
        unmapped.map = false;  // off the screen the test looks at
        const xcb_window_t marker = s_->CreateWindow(unmapped);
        int seen = 0;
        const int handler = own->AddEventHandler([&](xcb_generic_event_t* e) {
            seen += (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                    reinterpret_cast<xcb_property_notify_event_t*>(e)->window == marker;
            return false;
        });
        own->AddEventMask(marker, XCB_EVENT_MASK_PROPERTY_CHANGE);
        s_->SetProperty(marker, "VANTREL_TEST", "STRING", 8, "m", 1);
        s_->Client().Sync();
        EXPECT_TRUE(WaitUntil([&] { return seen > 0; }, 5000));
        own->RemoveEventHandler(handler);
    }

    // Runs work on a thread of its own, with a client connection of its own, while this
    // (the main) thread waits on a condition only the helper releases: no event of the
    // program's is handled meanwhile. Bounded: a helper that hangs fails the test.
    void WhileTheMainThreadIsBlocked(const std::function<void(XClient&)>& work) {
        const char* display = std::getenv("DISPLAY");
        ASSERT_NE(display, nullptr);
        // Connected here: libXau's connection set-up is not safe in two threads at once.
        XClient x(display);
        std::mutex mutex;
        std::condition_variable released;
        bool done = false;
        std::thread helper([&] {
            work(x);
            const std::lock_guard hold(mutex);
            done = true;
            released.notify_one();
        });
        {
            std::unique_lock wait(mutex);
            EXPECT_TRUE(released.wait_for(wait, std::chrono::seconds(60), [&] { return done; }));
        }
        helper.join();
    }

    std::unique_ptr<Platform> platform_;
    X11Compositor* compositor_ = nullptr;
    std::unique_ptr<QRasterWindow> destination_;
    std::unique_ptr<Thumbnail> thumbnail_;
    xcb_window_t source_ = 0;
};

// The main thread waits on a condition that only the helper thread releases, after it has
// changed the source to each colour in turn and seen the clone show it.
TEST_F(X11RenderThreadTest, FramesReachTheCloneWhileTheMainThreadIsBlocked) {
    Clone();
    Settle(kWhite);
    const std::uint64_t framesBefore = compositor_->FramesDrawn();

    const std::vector<QRgb> colours = {kRed, kGreen, kBlue, kWhite, kRed};
    std::vector<bool> shown(colours.size(), false);
    WhileTheMainThreadIsBlocked([&](XClient& x) {
        for (std::size_t i = 0; i < colours.size() && x.Connected(); ++i) {
            Paint(x, source_, colours[i]);
            shown[i] = ScreenShows(x, kProbe, colours[i], std::chrono::seconds(5));
        }
    });
    for (std::size_t i = 0; i < colours.size(); ++i) {
        EXPECT_TRUE(shown[i]) << "colour " << i << " never reached the clone";
    }
    EXPECT_GE(compositor_->FramesDrawn(), framesBefore + colours.size());
}

// A source resized and painted in one go while the main thread is blocked: until the main
// thread has seen the resize, the reader thread draws nothing from the source (its named
// picture is the old size's); once it has, the clone shows the new image.
TEST_F(X11RenderThreadTest, NoFrameFromASourceResizedBeforeTheMainThreadSawIt) {
    Clone();
    Settle(kWhite);
    const std::uint64_t framesBefore = compositor_->FramesDrawn();
    bool drawnWhileBlocked = true;
    WhileTheMainThreadIsBlocked([&](XClient& x) {
        const std::uint32_t size[] = {300, 200};
        xcb_configure_window(x.Connection(), source_,
                             XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
        Paint(x, source_, kRed);  // leaves with the resize
        // A frame comes within milliseconds when nothing holds it back.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
        drawnWhileBlocked = false;
        while (!drawnWhileBlocked && std::chrono::steady_clock::now() < until) {
            drawnWhileBlocked = compositor_->FramesDrawn() != framesBefore;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    EXPECT_FALSE(drawnWhileBlocked) << "a frame was drawn before the resize was handled";
    EXPECT_TRUE(WaitUntil(
        [&] { return SameColour(s_->Client().PixelAt(kProbe.x(), kProbe.y()), kRed); }, 5000));
}

// A helper thread repaints the source without pause while the main thread makes and drops
// thumbnails of it, each one after it has drawn frames of its own; the last one still
// follows the source (under ASan, a use after free here is caught).
TEST_F(X11RenderThreadTest, ThumbnailsComeAndGoWhileFramesArrive) {
    std::atomic<bool> stop{false};
    const char* display = std::getenv("DISPLAY");
    ASSERT_NE(display, nullptr);
    // Connected here: libXau's connection set-up is not safe in two threads at once.
    XClient x(display);
    std::thread helper([&] {
        bool red = false;
        while (!stop.load() && x.Connected()) {
            Paint(x, source_, red ? kRed : kGreen);
            red = !red;
        }
        Paint(x, source_, kBlue);
    });
    constexpr int kRounds = 25;
    int roundsWithFrames = 0;
    for (int round = 0; round < kRounds; ++round) {
        Clone();
        const std::uint64_t before = compositor_->FramesDrawn();
        roundsWithFrames +=
            WaitUntil([&] { return compositor_->FramesDrawn() >= before + 3; }, 5000, 1) ? 1 : 0;
        thumbnail_.reset();  // frames are on their way right now
    }
    Clone();
    stop = true;
    helper.join();
    EXPECT_EQ(roundsWithFrames, kRounds);
    EXPECT_TRUE(WaitUntil(
        [&] { return SameColour(s_->Client().PixelAt(kProbe.x(), kProbe.y()), kBlue); }, 5000));
    EXPECT_TRUE(compositor_->Connection()->ConnectionUsable());
}

}  // namespace
