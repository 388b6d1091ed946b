// A live clone of a real X client on the second of two monitors, without a window manager:
// what it shows in fit and natural size, while the source is resized, unmapped and killed,
// and what it leaves behind.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "clone/CloneForm.h"
#include "tests/e2e/clone_scene.h"
#include "tests/e2e/clone_steps.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

// Windows are checked as the clone's children: Qt itself drops a window when it hides one.
const char* const kCounted[] = {"PIXMAP", "PICTURE", "DAMAGE", "GC"};

std::vector<std::uint32_t> Children(CloneScene& scene, std::uint32_t window) {
    xcb_connection_t* c = scene.X().Connection();
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr), &std::free);
    if (!tree) {
        return {};
    }
    const xcb_window_t* ids = xcb_query_tree_children(tree.get());
    return {ids, ids + xcb_query_tree_children_length(tree.get())};
}

bool SameCounts(std::map<std::string, int> a, std::map<std::string, int> b) {
    for (const char* type : kCounted) {
        if (a[type] != b[type]) {
            return false;
        }
    }
    return true;
}

std::string Describe(std::map<std::string, int> counts) {
    std::string text;
    for (const char* type : kCounted) {
        text += std::string(type) + " " + std::to_string(counts[type]) + " ";
    }
    return text;
}

// Covers part of the clone with another window and removes it again: the clone must
// repaint the uncovered part from what it holds.
void CoverAndUncover(CloneScene& scene, const QRect& area) {
    xcb_connection_t* c = scene.X().Connection();
    const xcb_window_t cover = xcb_generate_id(c);
    const std::uint32_t values[] = {0x808080, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, cover, scene.X().Root(),
                      static_cast<std::int16_t>(area.x()), static_cast<std::int16_t>(area.y()),
                      static_cast<std::uint16_t>(area.width()),
                      static_cast<std::uint16_t>(area.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, cover);
    scene.X().Sync();
    EXPECT_TRUE(WaitUntil(
        [&] {
            return SameColour(scene.X().PixelAt(area.center().x(), area.center().y()), 0xff808080,
                              8);
        },
        5000));
    xcb_destroy_window(c, cover);
    scene.X().Sync();
}

// Takes the compositing manager's selection of screen 0, as a starting manager does.
void ClaimCompositingManager(CloneScene& scene) {
    xcb_connection_t* c = scene.X().Connection();
    const xcb_window_t owner = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, owner, scene.X().Root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    static const char kName[] = "_NET_WM_CM_S0";
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof kName - 1, kName), nullptr),
        &std::free);
    ASSERT_TRUE(atom);
    xcb_set_selection_owner(c, owner, atom->atom, XCB_CURRENT_TIME);
    scene.X().Sync();
}

TEST(CloneE2e, MirrorsTheSourceLiveAndSurvivesIt) {
    CloneScene scene;
    std::string reason;
    ASSERT_TRUE(scene.Start(false, &reason)) << reason;
    ASSERT_TRUE(scene.Backend().Compositor().Available());
    std::string found;
    ASSERT_TRUE(scene.ShowsWithin(QuadrantProbes(QRect(100, 100, 640, 480)), 10000, &found))
        << "the source never painted: " << found;

    std::unique_ptr<TCloneForm> clone = ShowClone(scene);
    // Qt makes its drawing resources at the first paint; count from when they are there.
    clone->repaint();
    std::map<std::string, int> before;
    WaitUntil(
        [&] {
            auto now = scene.OwnResources();
            const bool settled = !before.empty() && SameCounts(now, before);
            before = now;
            return settled;
        },
        2000, 100);
    ASSERT_FALSE(before.empty());

    StartOnSecondDisplay(scene, clone.get());
    ExpectImageAt(scene, kFitted, "fitted");

    scene.X().Click(kDisplay.center().x(), kDisplay.center().y());
    ASSERT_TRUE(WaitUntil([&] { return !clone->FitToWindow(); }, 10000));
    ExpectImageAt(scene, kNatural, "natural size");
    scene.X().Click(kDisplay.center().x(), kDisplay.center().y());
    ASSERT_TRUE(WaitUntil([&] { return clone->FitToWindow(); }, 10000));
    ExpectImageAt(scene, kFitted, "fitted again");

    // A resized source is fitted again: 800 x 400 fills the display's width, centred.
    const QRect kWideFitted(1280, 60, 1920, 960);
    scene.Tell("resize 800 400");
    ASSERT_TRUE(WaitUntil(
        [&] { return scene.TrackedSourceSize(scene.SourceWindow()) == QSize(800, 400); }, 10000));
    ExpectImageAt(scene, kWideFitted, "after the source was resized");

    // Unmapped, the source's last image stays; mapped again, it is live again.
    scene.Tell("unmap");
    ASSERT_TRUE(WaitUntil([&] { return !scene.X().IsViewable(scene.SourceWindow()); }, 10000));
    CoverAndUncover(scene, QRect(1400, 100, 900, 600));
    ExpectImageAt(scene, kWideFitted, "while the source is unmapped");
    scene.Tell("map");
    ASSERT_TRUE(WaitUntil([&] { return scene.X().IsViewable(scene.SourceWindow()); }, 10000));
    ExpectImageAt(scene, kWideFitted, "after the source was mapped again");

    // A compositing manager arrives: the sources are named again and the image stays live.
    ClaimCompositingManager(scene);
    ExpectImageAt(scene, kWideFitted, "after a compositing manager took over");
    scene.Tell("resize 640 480");
    ASSERT_TRUE(WaitUntil(
        [&] { return scene.TrackedSourceSize(scene.SourceWindow()) == QSize(640, 480); }, 10000));
    ExpectImageAt(scene, kFitted, "after the source was resized back");

    // A close request from outside leaves the clone open.
    CloseCounter closes;
    clone->installEventFilter(&closes);
    scene.X().RequestClose(static_cast<std::uint32_t>(clone->winId()));
    ASSERT_TRUE(WaitUntil([&] { return closes.count == 1; }, 10000));
    EXPECT_TRUE(clone->isVisible());
    EXPECT_TRUE(clone->HasThumbnail());

    // The source dies: no error, no crash, the last image stays, also through an expose.
    scene.Source().kill();
    scene.Source().waitForFinished(5000);
    ASSERT_TRUE(WaitUntil([&] { return !scene.TrackedSourceSize(scene.SourceWindow()); }, 10000));
    CoverAndUncover(scene, QRect(1400, 100, 900, 600));
    ExpectImageAt(scene, kFitted, "after the source was killed");
    scene.X().Click(kDisplay.center().x(), kDisplay.center().y());
    ASSERT_TRUE(WaitUntil([&] { return !clone->FitToWindow(); }, 10000));
    ExpectImageAt(scene, kFitted, "after a click on the clone of a dead source");
    EXPECT_EQ(scene.UnexpectedErrors(), 0);

    const auto cloneWindow = static_cast<std::uint32_t>(clone->winId());
    const std::vector<std::uint32_t> children = Children(scene, cloneWindow);
    ASSERT_EQ(children.size(), 1u);
    clone->CloseClone();
    EXPECT_FALSE(clone->isVisible());
    // The image's window goes on the thumbnails' own connection and the clone's own window
    // with Qt's: the server takes the two in either order.
    EXPECT_TRUE(WaitUntil([&] { return !scene.X().Exists(children.front()); }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return SameCounts(scene.OwnResources(), before); }, 10000))
        << Describe(before) << " before, " << Describe(scene.OwnResources()) << " after";
    clone.reset();
    EXPECT_EQ(scene.UnexpectedErrors(), 0);
}

}  // namespace
