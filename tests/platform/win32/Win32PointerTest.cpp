// The pointer over Win32 thumbnails: where the cursor image goes, and the overlay that
// shows it over a clone, on real windows under Wine with the cursor put in place.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/win32/Win32Pointer.h"
#include "tests/platform/win32/Win32TestSupport.h"

namespace {

TEST(Win32PointerPlacement, FollowsTheCursorScaledWithTheImage) {
    const QRect source(100, 50, 400, 300);
    const QPoint arrowHotspot(0, 0);
    const QSize arrow(32, 32);
    const struct {
        const char* what;
        QPoint cursor;
        QPoint hotspot;
        QRect destination;
        std::optional<QRect> expected;
    } cases[] = {
        {"natural size: 1:1",
         {300, 200},
         arrowHotspot,
         {440, 362, 400, 300},
         QRect(640, 512, 32, 32)},
        {"fitted at twice the size",
         {300, 200},
         arrowHotspot,
         {0, 12, 800, 600},
         QRect(400, 312, 64, 64)},
        {"fitted at half the size",
         {300, 200},
         arrowHotspot,
         {10, 20, 200, 150},
         QRect(110, 95, 16, 16)},
        {"the hotspot scales too",
         {300, 200},
         {16, 16},
         {0, 12, 800, 600},
         QRect(368, 280, 64, 64)},
        {"the source's top left corner",
         {100, 50},
         arrowHotspot,
         {10, 20, 200, 150},
         QRect(10, 20, 16, 16)},
        {"left of the source", {99, 200}, arrowHotspot, {10, 20, 200, 150}, std::nullopt},
        {"right edge is outside", {500, 200}, arrowHotspot, {10, 20, 200, 150}, std::nullopt},
        {"bottom edge is outside", {300, 350}, arrowHotspot, {10, 20, 200, 150}, std::nullopt},
        {"no destination", {300, 200}, arrowHotspot, {10, 20, 0, 0}, std::nullopt},
        {"a tiny image stays one pixel", {300, 200}, arrowHotspot, {0, 0, 4, 3}, QRect(2, 2, 1, 1)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PointerImageRect(c.cursor, c.hotspot, arrow, source, c.destination), c.expected)
            << c.what;
    }
    EXPECT_EQ(PointerImageRect({300, 200}, {}, arrow, QRect(100, 50, 0, 300), {0, 0, 80, 60}),
              std::nullopt);
}

// A borderless window at a place of the screen, its client area filled with one colour.
class PlainWindow {
  public:
    PlainWindow(const QRect& where, COLORREF colour) : brush_(CreateSolidBrush(colour)) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hbrBackground = brush_;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        const std::wstring name = L"VantrelPointerTest" + std::to_wstring(colour);
        windowClass.lpszClassName = name.c_str();
        RegisterClassExW(&windowClass);
        window_ = CreateWindowExW(0, name.c_str(), L"pointer test", WS_POPUP | WS_VISIBLE,
                                  where.x(), where.y(), where.width(), where.height(), nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        PumpMessages();
    }
    ~PlainWindow() {
        DestroyWindow(window_);
        DeleteObject(brush_);
    }
    PlainWindow(const PlainWindow&) = delete;
    PlainWindow& operator=(const PlainWindow&) = delete;
    HWND Get() const { return window_; }

  private:
    HBRUSH brush_;
    HWND window_ = nullptr;
};

QRect WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// The overlay's corner lies up to the scaled hotspot (at most half the arrow here) before
// the point the cursor's tip maps to.
::testing::AssertionResult CornerBefore(const Win32PointerOverlay& overlay, const QPoint& tip) {
    const QPoint corner = WindowRect(overlay.Popup()).topLeft();
    if (QRect(tip - QPoint(16, 16), QSize(17, 17)).contains(corner)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "overlay at " << corner.x() << "," << corner.y()
                                         << " for the tip at " << tip.x() << "," << tip.y();
}

// True when the screen shows anything but the ground colour inside the rectangle.
bool ScreenShowsOn(const QRect& area, COLORREF ground) {
    HDC screen = GetDC(nullptr);
    bool drawn = false;
    for (int y = area.top(); y <= area.bottom() && !drawn; ++y) {
        for (int x = area.left(); x <= area.right() && !drawn; ++x) {
            const COLORREF pixel = GetPixel(screen, x, y);
            drawn = pixel != CLR_INVALID && pixel != ground;
        }
    }
    ReleaseDC(nullptr, screen);
    return drawn;
}

bool PopupShown(const Win32PointerOverlay& overlay) {
    return overlay.Popup() != nullptr && IsWindowVisible(overlay.Popup());
}

// The clone (destination) on the left shows the source, right of it, at half its size.
struct PointerScene {
    PlainWindow destination{QRect(0, 0, 600, 500), RGB(0, 0, 255)};
    PlainWindow source{QRect(700, 100, 400, 300), RGB(255, 255, 0)};
    QRect thumbnail{100, 100, 200, 150};
    Win32PointerOverlay overlay{destination.Get(), source.Get()};

    // Puts the cursor at a point of the screen and updates the overlay until it shows with
    // its corner before the tip's place (or, without a tip, until it is gone). Wine hands
    // the cursor's new position and shape to what the overlay reads a little later.
    bool CursorAt(int x, int y, std::optional<QPoint> tip) {
        if (!SetCursorPos(x, y)) {
            return false;
        }
        return PollUntil(
            [&] {
                overlay.Update(true);
                return tip ? PopupShown(overlay) && CornerBefore(overlay, *tip)
                           : !PopupShown(overlay);
            },
            std::chrono::seconds(5));
    }
};

TEST(Win32PointerOverlay, ShowsTheCursorOverTheThumbnailWhileItIsOverTheSource) {
    PointerScene scene;
    scene.overlay.SetDestination(scene.thumbnail, true);
    // The middle of the source: the middle of the half-size thumbnail, the arrow at half size.
    ASSERT_TRUE(scene.CursorAt(900, 250, QPoint(200, 175))) << "no overlay over the thumbnail";
    const QRect popup = WindowRect(scene.overlay.Popup());
    EXPECT_LE(popup.width(), 24) << "the cursor is not scaled to half size";
    EXPECT_TRUE(scene.thumbnail.contains(popup)) << "the overlay leaves the thumbnail";
    EXPECT_EQ(GetWindow(scene.overlay.Popup(), GW_OWNER), scene.destination.Get());
    EXPECT_TRUE(
        PollUntil([&] { return ScreenShowsOn(popup, RGB(0, 0, 255)); }, std::chrono::seconds(5)))
        << "the overlay shows no cursor over the clone";
    EXPECT_FALSE(ScreenShowsOn(QRect(popup.right() + 8, popup.top(), 8, 8), RGB(0, 0, 255)))
        << "the clone is not plain where the cursor is not";
    // The arrow leaves the overlay's bottom right corner uncovered: the clone shows there.
    EXPECT_FALSE(ScreenShowsOn(QRect(popup.right() - 2, popup.bottom() - 2, 3, 3), RGB(0, 0, 255)))
        << "the overlay covers the clone around the cursor";

    // Off the source: gone; back: there again; turned off: gone.
    EXPECT_TRUE(scene.CursorAt(650, 250, std::nullopt))
        << "the overlay stayed when the cursor left";
    ASSERT_TRUE(scene.CursorAt(750, 150, QPoint(125, 125)));
    scene.overlay.Update(false);
    EXPECT_FALSE(PopupShown(scene.overlay)) << "the pointer shows while turned off";
    scene.overlay.SetDestination(scene.thumbnail, false);
    scene.overlay.Update(true);
    EXPECT_FALSE(PopupShown(scene.overlay)) << "the pointer shows over a hidden thumbnail";
}

TEST(Win32PointerOverlay, IsCutAtTheThumbnailsEdge) {
    PointerScene scene;
    scene.overlay.SetDestination(scene.thumbnail, true);
    // Near the source's bottom right corner the arrow would reach past the thumbnail.
    ASSERT_TRUE(scene.CursorAt(1095, 395, QPoint(298, 248)));
    EXPECT_TRUE(scene.thumbnail.contains(WindowRect(scene.overlay.Popup())));
}

TEST(Win32PointerTracker, HooksOnlyWhileAPointerMayShow) {
    Win32PointerTracker tracker;
    EXPECT_FALSE(tracker.Hooked());
    PointerScene scene;
    tracker.Add(&scene.overlay);
    EXPECT_TRUE(tracker.Hooked());
    tracker.SetShown(false);
    EXPECT_FALSE(tracker.Hooked());
    tracker.SetShown(true);
    EXPECT_TRUE(tracker.Hooked());
    tracker.Remove(&scene.overlay);
    EXPECT_FALSE(tracker.Hooked());
}

}  // namespace
