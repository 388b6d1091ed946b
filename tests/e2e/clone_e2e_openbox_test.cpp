// A live clone of a framed source under a window manager (openbox): only the client area
// is shown, the clone covers its display exactly, stays out of the taskbar and refuses the
// window manager's close request.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "clone/WindowCloneUnit.h"
#include "platform/Compositor.h"
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

TEST(CloneE2eOpenbox, ShowsTheClientAreaOfAFramedSource) {
    CloneScene scene;
    std::string reason;
    ASSERT_TRUE(scene.Start(true, &reason)) << reason;
    ASSERT_TRUE(IsCompositionEnabled());

    QWidget owner;
    TCloneForm* clone = StartCloneOnSecondDisplay(scene, owner);
    const auto window = static_cast<std::uint32_t>(clone->winId());
    EXPECT_TRUE(HasState(scene.X().Connection(), window, "_NET_WM_STATE_SKIP_TASKBAR"));
    EXPECT_FALSE(HasState(scene.X().Connection(), window, "_NET_WM_STATE_ABOVE"));
    ExpectImageAt(scene, kFitted, "fitted, without the frame");

    scene.X().Click(kDisplay.center().x(), kDisplay.center().y());
    ASSERT_TRUE(WaitUntil([&] { return !clone->FitToWindow(); }, 10000));
    ExpectImageAt(scene, kNatural, "natural size");

    CloseCounter closes;
    clone->installEventFilter(&closes);
    scene.X().RequestClose(window);
    ASSERT_TRUE(WaitUntil([&] { return closes.count == 1; }, 10000));
    EXPECT_TRUE(scene.X().IsViewable(window));

    scene.Source().kill();
    scene.Source().waitForFinished(5000);
    PixelSize size;
    ASSERT_TRUE(WaitUntil(
        [&] { return QueryThumbnailSourceSize(clone->Thumbnail(), &size) != kResultOk; }, 10000));
    ExpectImageAt(scene, kNatural, "after the source was killed");

    clone->CloseClone();
    EXPECT_TRUE(WaitUntil([&] { return !scene.X().IsViewable(window); }, 10000));
    delete clone;
    EXPECT_EQ(scene.UnexpectedErrors(), 0);
}

}  // namespace
