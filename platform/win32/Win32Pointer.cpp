#include "platform/win32/Win32Pointer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace {

constexpr wchar_t kOverlayClass[] = L"VantrelPointerOverlay";

// The tracker whose hooks run on this thread. Window-event hooks carry no context of their
// own, so this is the one place the callback can find its tracker; one tracker hooks at a
// time (the program has one compositor).
thread_local Win32PointerTracker* hookedTracker = nullptr;

void CALLBACK CursorEvent(HWINEVENTHOOK /*hook*/, DWORD /*event*/, HWND /*window*/, LONG object,
                          LONG /*child*/, DWORD /*thread*/, DWORD /*time*/) {
    if (object == OBJID_CURSOR && hookedTracker != nullptr) {
        hookedTracker->UpdateAll();
    }
}

int Scaled(int value, double scale) {
    return static_cast<int>(std::lround(value * scale));
}

// Deletes GDI objects and releases the screen's DC when the drawing is done.
struct DrawingSurface {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    std::uint32_t* pixels = nullptr;

    explicit DrawingSurface(const QSize& size) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size.width();
        info.bmiHeader.biHeight = -size.height();  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<std::uint32_t*>(bits);
        if (bitmap != nullptr && memory != nullptr) {
            previous = SelectObject(memory, bitmap);
        }
    }
    ~DrawingSurface() {
        if (previous != nullptr) {
            SelectObject(memory, previous);
        }
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
        if (memory != nullptr) {
            DeleteDC(memory);
        }
        ReleaseDC(nullptr, screen);
    }
    bool Ready() const { return previous != nullptr && pixels != nullptr; }
};

// Draws the cursor scaled to size on a black and on a white ground; the two give each
// pixel's coverage, and the black one its premultiplied colour (inverting parts of a
// monochrome cursor come out white).
bool RenderCursor(HCURSOR cursor, const QSize& size, DrawingSurface& surface) {
    const std::size_t count = static_cast<std::size_t>(size.width()) * size.height();
    std::fill_n(surface.pixels, count, 0xFFFFFFFFu);
    if (!DrawIconEx(surface.memory, 0, 0, cursor, size.width(), size.height(), 0, nullptr,
                    DI_NORMAL)) {
        return false;
    }
    GdiFlush();
    std::vector<std::uint32_t> onWhite(surface.pixels, surface.pixels + count);
    std::fill_n(surface.pixels, count, 0u);
    DrawIconEx(surface.memory, 0, 0, cursor, size.width(), size.height(), 0, nullptr, DI_NORMAL);
    GdiFlush();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t black = surface.pixels[i];
        const int green = static_cast<int>((black >> 8) & 0xFF);
        const int whiteGreen = static_cast<int>((onWhite[i] >> 8) & 0xFF);
        const int alpha = std::clamp(255 - (whiteGreen - green), 0, 255);
        const std::uint32_t colour = alpha == 0 ? 0u : (black & 0x00FFFFFFu);
        surface.pixels[i] = (static_cast<std::uint32_t>(alpha) << 24) | colour;
    }
    return true;
}

// The covered pixels of the part of the image that shows, as a window region: where the
// system blends layered windows by their alpha this changes nothing, and where it does not
// (Wine in a virtual desktop draws them opaque) the uncovered pixels still stay out.
HRGN CoveredRegion(const DrawingSurface& surface, int imageWidth, const QRect& part) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (int y = 0; y < part.height() && region != nullptr; ++y) {
        const std::uint32_t* row =
            surface.pixels + static_cast<std::size_t>(y + part.top()) * imageWidth;
        for (int x = 0; x < part.width();) {
            if ((row[x + part.left()] >> 24) == 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < part.width() && (row[x + part.left()] >> 24) != 0) {
                ++x;
            }
            if (HRGN run = CreateRectRgn(start, y, x, y + 1)) {
                CombineRgn(region, region, run, RGN_OR);
                DeleteObject(run);
            }
        }
    }
    return region;
}

HWND MakePopup(HWND owner) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kOverlayClass;
    RegisterClassExW(&windowClass);  // already registered after the first overlay
    return CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW,
                           kOverlayClass, L"", WS_POPUP, 0, 0, 1, 1, owner, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

std::optional<QRect> ScreenClientRect(HWND window) {
    RECT client{};
    POINT origin{0, 0};
    if (!GetClientRect(window, &client) || !ClientToScreen(window, &origin)) {
        return std::nullopt;
    }
    return QRect(origin.x, origin.y, client.right - client.left, client.bottom - client.top);
}

}  // namespace

std::optional<QRect> PointerImageRect(const QPoint& cursor, const QPoint& hotspot,
                                      const QSize& imageSize, const QRect& sourceClient,
                                      const QRect& destination) {
    if (sourceClient.isEmpty() || destination.isEmpty() || imageSize.isEmpty() ||
        !sourceClient.contains(cursor)) {
        return std::nullopt;
    }
    const double scaleX = static_cast<double>(destination.width()) / sourceClient.width();
    const double scaleY = static_cast<double>(destination.height()) / sourceClient.height();
    const QPoint onSource = cursor - sourceClient.topLeft();
    const QPoint tip(destination.left() + Scaled(onSource.x(), scaleX),
                     destination.top() + Scaled(onSource.y(), scaleY));
    const QSize size(std::max(1, Scaled(imageSize.width(), scaleX)),
                     std::max(1, Scaled(imageSize.height(), scaleY)));
    return QRect(tip - QPoint(Scaled(hotspot.x(), scaleX), Scaled(hotspot.y(), scaleY)), size);
}

Win32PointerOverlay::Win32PointerOverlay(HWND destination, HWND source)
    : destination_(destination), source_(source) {}

Win32PointerOverlay::~Win32PointerOverlay() {
    if (popup_ != nullptr) {
        DestroyWindow(popup_);
    }
}

void Win32PointerOverlay::SetDestination(const QRect& destination, bool visible,
                                         const QRect& part) {
    placed_ = destination;
    part_ = part;
    placedVisible_ = visible;
}

void Win32PointerOverlay::Hide() {
    if (popup_ != nullptr && IsWindowVisible(popup_)) {
        ShowWindow(popup_, SW_HIDE);
    }
}

void Win32PointerOverlay::Update(bool shown) {
    CURSORINFO cursor{};
    cursor.cbSize = sizeof cursor;
    const auto sourceClient = ScreenClientRect(source_);
    const auto destinationClient = ScreenClientRect(destination_);
    if (!shown || !placedVisible_ || !sourceClient || !destinationClient ||
        !GetCursorInfo(&cursor) || (cursor.flags & CURSOR_SHOWING) == 0 ||
        cursor.hCursor == nullptr ||
        GetAncestor(WindowFromPoint(cursor.ptScreenPos), GA_ROOT) != source_) {
        Hide();
        return;
    }
    // A cursor whose image cannot be read (Wine keeps cursors per process) shows as the
    // standard arrow rather than not at all.
    HCURSOR shape = cursor.hCursor;
    ICONINFO icon{};
    if (!GetIconInfo(shape, &icon)) {
        shape = LoadCursorW(nullptr, IDC_ARROW);
        if (shape == nullptr || !GetIconInfo(shape, &icon)) {
            Hide();
            return;
        }
    }
    BITMAP mask{};
    GetObjectW(icon.hbmMask, sizeof mask, &mask);
    const QSize size(mask.bmWidth, icon.hbmColor != nullptr ? mask.bmHeight : mask.bmHeight / 2);
    DeleteObject(icon.hbmMask);
    if (icon.hbmColor != nullptr) {
        DeleteObject(icon.hbmColor);
    }
    const QPoint cursorAt(cursor.ptScreenPos.x, cursor.ptScreenPos.y);
    const QRect shownSource =
        part_.isEmpty() ? *sourceClient
                        : part_.translated(sourceClient->topLeft()).intersected(*sourceClient);
    const auto image = PointerImageRect(
        cursorAt, QPoint(static_cast<int>(icon.xHotspot), static_cast<int>(icon.yHotspot)), size,
        shownSource, placed_);
    // Only the part over the thumbnail shows, as the cursor is cut at the source's edge.
    const QRect visible = image ? image->intersected(placed_) : QRect();
    if (visible.isEmpty() || !Draw(shape, *image, visible)) {
        Hide();
    }
}

bool Win32PointerOverlay::Draw(HCURSOR cursor, const QRect& image, const QRect& visible) {
    if (popup_ == nullptr && (popup_ = MakePopup(destination_)) == nullptr) {
        return false;
    }
    POINT origin{visible.left(), visible.top()};
    ClientToScreen(destination_, &origin);
    const QRect part(visible.topLeft() - image.topLeft(), visible.size());
    // The same picture as before (a move within the thumbnail): only the place changes.
    const bool samePicture = drawnShape_ == cursor && drawnImage_ == image.size() &&
                             drawnPart_ == part && IsWindowVisible(popup_);
    if (!samePicture && !Render(cursor, image.size(), part, origin)) {
        return false;
    }
    drawnShape_ = cursor;
    drawnImage_ = image.size();
    drawnPart_ = part;
    // Above its owner, the clone, without taking the focus.
    SetWindowPos(popup_, HWND_TOP, origin.x, origin.y, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_SHOWWINDOW);
    return true;
}

bool Win32PointerOverlay::Render(HCURSOR cursor, const QSize& image, const QRect& part,
                                 POINT origin) {
    drawnShape_ = nullptr;
    DrawingSurface surface(image);
    if (!surface.Ready() || !RenderCursor(cursor, image, surface)) {
        return false;
    }
    SIZE size{part.width(), part.height()};
    POINT from{part.left(), part.top()};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    if (!UpdateLayeredWindow(popup_, surface.screen, &origin, &size, surface.memory, &from, 0,
                             &blend, ULW_ALPHA)) {
        return false;
    }
    if (HRGN region = CoveredRegion(surface, image.width(), part)) {
        SetWindowRgn(popup_, region, TRUE);  // the window owns the region from here
    }
    return true;
}

Win32PointerTracker::~Win32PointerTracker() {
    overlays_.clear();
    Rehook();
}

void Win32PointerTracker::SetShown(bool shown) {
    shown_ = shown;
    Rehook();
    UpdateAll();
}

void Win32PointerTracker::Add(Win32PointerOverlay* overlay) {
    overlays_.push_back(overlay);
    Rehook();
}

void Win32PointerTracker::Remove(Win32PointerOverlay* overlay) {
    std::erase(overlays_, overlay);
    Rehook();
}

void Win32PointerTracker::UpdateAll() {
    for (Win32PointerOverlay* overlay : overlays_) {
        overlay->Update(shown_);
    }
}

// Hooked exactly while some overlay may show: no event reaches the program otherwise.
void Win32PointerTracker::Rehook() {
    const bool wanted = shown_ && !overlays_.empty();
    if (wanted == Hooked() || (wanted && hookedTracker != nullptr && hookedTracker != this)) {
        return;
    }
    if (!wanted) {
        for (HWINEVENTHOOK hook : hooks_) {
            UnhookWinEvent(hook);
        }
        hooks_.clear();
        hookedTracker = nullptr;
        return;
    }
    // Shown and hidden, then moved and reshaped (the cursor's "name" changes with its shape).
    const std::pair<DWORD, DWORD> ranges[] = {
        {EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE},
        {EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_NAMECHANGE}};
    for (const auto& [first, last] : ranges) {
        if (HWINEVENTHOOK hook =
                SetWinEventHook(first, last, nullptr, CursorEvent, 0, 0, WINEVENT_OUTOFCONTEXT)) {
            hooks_.push_back(hook);
        }
    }
    if (Hooked()) {
        hookedTracker = this;
    }
}
