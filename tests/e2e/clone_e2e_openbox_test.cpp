// A live clone of a framed source under a window manager (openbox): only the client area
// is shown, the clone covers its display exactly, stays out of the taskbar and refuses the
// window manager's close request.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "clone/CloneForm.h"
#include "tests/e2e/clone_scene.h"
#include "tests/e2e/clone_steps.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : 0;
}

bool HasState(xcb_connection_t* c, std::uint32_t window, const char* state) {
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, Atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 64),
            nullptr),
        &std::free);
    if (!reply || reply->format != 32) {
        return false;
    }
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int n = xcb_get_property_value_length(reply.get()) / 4;
    return std::find(atoms, atoms + n, Atom(c, state)) != atoms + n;
}

// A window the test paints itself, so the clone can be seen to follow new content.
class PaintedWindow {
  public:
    explicit PaintedWindow(XClient& x) : c_(x.Connection()) {
        window_ = xcb_generate_id(c_);
        const std::uint32_t events = XCB_EVENT_MASK_EXPOSURE;
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, x.Root(), 50, 50, 400, 300, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
        gc_ = xcb_generate_id(c_);
        xcb_create_gc(c_, gc_, window_, 0, nullptr);
        xcb_map_window(c_, window_);
        x.Sync();
    }
    std::uint32_t Id() const { return window_; }
    void Fill(std::uint32_t rgb) {
        xcb_change_gc(c_, gc_, XCB_GC_FOREGROUND, &rgb);
        const xcb_rectangle_t all{0, 0, 400, 300};
        xcb_poly_fill_rectangle(c_, window_, gc_, 1, &all);
        xcb_flush(c_);
    }

  private:
    xcb_connection_t* c_;
    xcb_window_t window_ = 0;
    xcb_gcontext_t gc_ = 0;
};

TEST(CloneE2eOpenbox, ShowsTheClientAreaOfAFramedSource) {
    CloneScene scene;
    std::string reason;
    ASSERT_TRUE(scene.Start(true, &reason)) << reason;
    ASSERT_TRUE(scene.Backend().Compositor().Available());

    std::unique_ptr<TCloneForm> clone = StartCloneOnSecondDisplay(scene);
    const auto window = static_cast<std::uint32_t>(clone->winId());
    EXPECT_TRUE(HasState(scene.X().Connection(), window, "_NET_WM_STATE_SKIP_TASKBAR"));
    EXPECT_FALSE(HasState(scene.X().Connection(), window, "_NET_WM_STATE_ABOVE"));
    ExpectImageAt(scene, kFitted, "fitted, without the frame");

    scene.X().Click(kDisplay.center().x(), kDisplay.center().y());
    ASSERT_TRUE(WaitUntil([&] { return !clone->FitToWindow(); }, 10000));
    ExpectImageAt(scene, kNatural, "natural size");

    // A second clone, of a source whose content changes, on the first display: each new
    // content reaches the clone (400x300 fitted into 1280x720 is 960x720 at 160,0).
    PaintedWindow painted(scene.X());
    ASSERT_TRUE(WaitUntil([&] { return scene.X().IsViewable(painted.Id()); }, 10000));
    std::unique_ptr<TCloneForm> live = scene.NewClone();
    live->show();
    live->StartClone(painted.Id(), 0);
    ASSERT_TRUE(live->HasThumbnail());
    std::string found;
    for (const std::uint32_t rgb : {0xff0000u, 0x00ff00u, 0x0000ffu, 0xffffffu}) {
        painted.Fill(rgb);
        EXPECT_TRUE(
            scene.ShowsWithin({{640, 360, 0xff000000u | rgb}, {80, 360, kBlack}}, 10000, &found))
            << found;
    }
    ExpectImageAt(scene, kNatural, "beside a second clone");

    CloseCounter closes;
    clone->installEventFilter(&closes);
    scene.X().RequestClose(window);
    ASSERT_TRUE(WaitUntil([&] { return closes.count == 1; }, 10000));
    EXPECT_TRUE(scene.X().IsViewable(window));

    scene.Source().kill();
    scene.Source().waitForFinished(5000);
    ASSERT_TRUE(WaitUntil([&] { return !scene.TrackedSourceSize(scene.SourceWindow()); }, 10000));
    ExpectImageAt(scene, kNatural, "after the source was killed");

    clone->CloseClone();
    EXPECT_TRUE(WaitUntil([&] { return !scene.X().IsViewable(window); }, 10000));
    clone.reset();
    EXPECT_EQ(scene.UnexpectedErrors(), 0);
}

}  // namespace
