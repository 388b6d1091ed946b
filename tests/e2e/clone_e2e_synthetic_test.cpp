// Structure events another client sends (SendEvent) tell nothing about the source: a live
// clone must keep following its source through a forged DestroyNotify and a forged
// ConfigureNotify with a made-up size, and a second clone of the same source must still be
// possible. A clone also stays live when a window manager hides and shows the source's
// frame rather than the source.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <array>
#include <cstring>

#include "clone/CloneForm.h"
#include "platform/x11/connection/X11Context.h"
#include "tests/e2e/clone_scene.h"
#include "tests/e2e/clone_steps.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;
// 400x300 on the 1920x1080 display: fitted 1440x1080 at 240,0; natural centred.
const QRect kFittedImage(1280 + 240, 0, 1440, 1080);
const QRect kNaturalImage(1280 + 760, 390, kWidth, kHeight);

// A source the test draws itself, left half one colour and right half another. It selects
// no structure events, so forged ones reach only the program under test.
class HalvesWindow {
  public:
    explicit HalvesWindow(XClient& x) : c_(x.Connection()) {
        window_ = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, x.Root(), 50, 50, kWidth, kHeight, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        gc_ = xcb_generate_id(c_);
        xcb_create_gc(c_, gc_, window_, 0, nullptr);
        xcb_map_window(c_, window_);
        x.Sync();
    }
    std::uint32_t Id() const { return window_; }
    void Fill(std::uint32_t left, std::uint32_t right) {
        const xcb_rectangle_t halves[2] = {{0, 0, kWidth / 2, kHeight},
                                           {kWidth / 2, 0, kWidth / 2, kHeight}};
        xcb_change_gc(c_, gc_, XCB_GC_FOREGROUND, &left);
        xcb_poly_fill_rectangle(c_, window_, gc_, 1, &halves[0]);
        xcb_change_gc(c_, gc_, XCB_GC_FOREGROUND, &right);
        xcb_poly_fill_rectangle(c_, window_, gc_, 1, &halves[1]);
        xcb_flush(c_);
    }

  private:
    xcb_connection_t* c_;
    xcb_window_t window_ = 0;
    xcb_gcontext_t gc_ = 0;
};

// Sends an event as another client would, to everyone watching the window's structure.
template <typename Event>
void Forge(XClient& x, xcb_window_t window, const Event& event) {
    std::array<char, 32> wire{};
    static_assert(sizeof(Event) <= 32);
    std::memcpy(wire.data(), &event, sizeof(Event));
    xcb_send_event(x.Connection(), 0, window, XCB_EVENT_MASK_STRUCTURE_NOTIFY, wire.data());
    x.Sync();
}

// Counts the forged structure events of one window as the thumbnails' connection receives
// them; the handler runs after the thumbnails' own, so a count means they have handled it.
class ForgedSeen {
  public:
    ForgedSeen(X11Context& context, xcb_window_t window) : context_(context), window_(window) {
        id_ = context_.AddEventHandler([this](xcb_generic_event_t* e) {
            if ((e->response_type & 0x80) == 0) {
                return false;
            }
            const std::uint8_t type = e->response_type & 0x7f;
            if (type == XCB_CONFIGURE_NOTIFY &&
                reinterpret_cast<xcb_configure_notify_event_t*>(e)->window == window_) {
                ++configures;
            } else if (type == XCB_DESTROY_NOTIFY &&
                       reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window == window_) {
                ++destroys;
            }
            return false;
        });
    }
    ~ForgedSeen() { context_.RemoveEventHandler(id_); }
    ForgedSeen(const ForgedSeen&) = delete;
    ForgedSeen& operator=(const ForgedSeen&) = delete;

    int configures = 0;
    int destroys = 0;

  private:
    X11Context& context_;
    xcb_window_t window_;
    int id_ = 0;
};

std::vector<CloneScene::Probe> Halves(const QRect& image, QRgb left, QRgb right) {
    const int y = image.center().y();
    return {{image.left() + image.width() / 4, y, left},
            {image.left() + image.width() * 3 / 4, y, right},
            {image.left() - 20, y, kBlack},
            {image.right() + 20, y, kBlack}};
}

void ExpectHalves(CloneScene& scene, const QRect& image, QRgb left, QRgb right, const char* when) {
    std::string found;
    EXPECT_TRUE(scene.ShowsWithin(Halves(image, left, right), 10000, &found))
        << when << ": " << found;
}

TEST(CloneE2eSynthetic, ForgedStructureEventsLeaveTheCloneLive) {
    CloneScene scene;
    std::string reason;
    ASSERT_TRUE(scene.Start(false, &reason)) << reason;
    ASSERT_TRUE(scene.Backend().Compositor().Available());

    HalvesWindow source(scene.X());
    ASSERT_TRUE(WaitUntil([&] { return scene.X().IsViewable(source.Id()); }, 10000));
    std::unique_ptr<TCloneForm> clone = ShowClone(scene);
    clone->StartClone(source.Id(), 1);
    ASSERT_TRUE(clone->HasThumbnail());
    source.Fill(0xff0000, 0x0000ff);
    ExpectHalves(scene, kFittedImage, kRed, kBlue, "fitted");
    ForgedSeen seen(scene.ThumbnailConnection(), source.Id());

    // A forged size: the source keeps its real one and its image is scaled from that.
    xcb_configure_notify_event_t configure{};
    configure.response_type = XCB_CONFIGURE_NOTIFY;
    configure.event = source.Id();
    configure.window = source.Id();
    configure.x = 50;
    configure.y = 50;
    configure.width = kWidth / 2;
    configure.height = kHeight / 2;
    Forge(scene.X(), source.Id(), configure);
    ASSERT_TRUE(WaitUntil([&] { return seen.configures == 1; }, 10000));
    EXPECT_EQ(scene.TrackedSourceSize(source.Id()), QSize(kWidth, kHeight));
    source.Fill(0x00ff00, 0xffffff);
    ExpectHalves(scene, kFittedImage, kGreen, kWhite, "after a forged ConfigureNotify");

    // A forged destruction: the source stays alive and its new content still arrives.
    xcb_destroy_notify_event_t destroy{};
    destroy.response_type = XCB_DESTROY_NOTIFY;
    destroy.event = source.Id();
    destroy.window = source.Id();
    Forge(scene.X(), source.Id(), destroy);
    ASSERT_TRUE(WaitUntil([&] { return seen.destroys == 1; }, 10000));
    EXPECT_EQ(scene.TrackedSourceSize(source.Id()), QSize(kWidth, kHeight));
    source.Fill(0x0000ff, 0xff0000);
    ExpectHalves(scene, kFittedImage, kBlue, kRed, "after a forged DestroyNotify");

    // A click still switches to natural size, which shows the live source.
    scene.X().Click(kDisplay.center().x(), kDisplay.center().y());
    ASSERT_TRUE(WaitUntil([&] { return !clone->FitToWindow(); }, 10000));
    ExpectHalves(scene, kNaturalImage, kBlue, kRed, "natural size");
    source.Fill(0xffffff, 0x00ff00);
    ExpectHalves(scene, kNaturalImage, kWhite, kGreen, "natural size, new content");

    // The source is not taken for dead: a second thumbnail of it can be registered.
    QWidget second;
    second.resize(100, 100);
    EXPECT_NE(scene.Backend().Compositor().CreateThumbnail(
                  static_cast<WindowHandle>(second.winId()), source.Id()),
              nullptr);

    clone->CloseClone();
    clone.reset();
    EXPECT_EQ(scene.UnexpectedErrors(), 0);
}

// A window of the test's own that holds other windows, as a window manager's frame does.
xcb_window_t NewFrame(XClient& x, xcb_window_t parent, int x0, int y0) {
    xcb_connection_t* c = x.Connection();
    const xcb_window_t frame = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, frame, parent, static_cast<std::int16_t>(x0),
                      static_cast<std::int16_t>(y0), kWidth + 20, kHeight + 20, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_map_window(c, frame);
    return frame;
}

// Hides and shows window (an ancestor of the source); the source sees no map of its own.
void HideAndShow(CloneScene& scene, xcb_window_t window, xcb_window_t source) {
    xcb_unmap_window(scene.X().Connection(), window);
    scene.X().Sync();
    ASSERT_TRUE(WaitUntil([&] { return !scene.X().IsViewable(source); }, 10000));
    xcb_map_window(scene.X().Connection(), window);
    scene.X().Sync();
    ASSERT_TRUE(WaitUntil([&] { return scene.X().IsViewable(source); }, 10000));
}

TEST(CloneE2eSynthetic, StaysLiveWhileItsFramesAreHiddenAndShown) {
    CloneScene scene;
    std::string reason;
    ASSERT_TRUE(scene.Start(false, &reason)) << reason;
    HalvesWindow source(scene.X());
    const xcb_window_t outer = NewFrame(scene.X(), scene.X().Root(), 20, 20);
    const xcb_window_t frame = NewFrame(scene.X(), outer, 0, 0);
    xcb_reparent_window(scene.X().Connection(), source.Id(), frame, 10, 10);
    scene.X().Sync();
    ASSERT_TRUE(WaitUntil([&] { return scene.X().IsViewable(source.Id()); }, 10000));
    std::unique_ptr<TCloneForm> clone = ShowClone(scene);
    clone->StartClone(source.Id(), 1);
    ASSERT_TRUE(clone->HasThumbnail());
    source.Fill(0xff0000, 0x0000ff);
    ExpectHalves(scene, kFittedImage, kRed, kBlue, "before");

    HideAndShow(scene, frame, source.Id());
    source.Fill(0x00ff00, 0xffffff);
    ExpectHalves(scene, kFittedImage, kGreen, kWhite, "after its frame was shown again");
    HideAndShow(scene, outer, source.Id());
    source.Fill(0x0000ff, 0xff0000);
    ExpectHalves(scene, kFittedImage, kBlue, kRed, "after the frame's parent was shown again");

    clone->CloseClone();
    clone.reset();
    EXPECT_EQ(scene.UnexpectedErrors(), 0);
}

}  // namespace
