// The pointer on the clones. The desktop window manager leaves the cursor out of its
// thumbnails, so each thumbnail has an overlay: a small layered popup owned by the clone,
// holding the current cursor image scaled with the thumbnail, placed where the cursor is on
// the source. The overlays follow the cursor through window-event hooks on its position,
// shape and visibility (no timer), installed only while a thumbnail exists and the pointer
// is to be shown.
#pragma once

#include "platform/win32/Win32Api.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>
#include <vector>

// Where the cursor image goes in the destination's client area: the cursor's position in
// the source's client area (both in screen coordinates there) scaled into destination, the
// image and its hotspot scaled alike, so in natural size it is 1:1. Nothing when the cursor
// is outside the source's client area or either rectangle is empty.
std::optional<QRect> PointerImageRect(const QPoint& cursor, const QPoint& hotspot,
                                      const QSize& imageSize, const QRect& sourceClient,
                                      const QRect& destination);

// One thumbnail's pointer.
class Win32PointerOverlay {
  public:
    Win32PointerOverlay(HWND destination, HWND source);
    ~Win32PointerOverlay();
    Win32PointerOverlay(const Win32PointerOverlay&) = delete;
    Win32PointerOverlay& operator=(const Win32PointerOverlay&) = delete;

    // The thumbnail's rectangle in the destination's client area, as last placed, and the
    // part of the source's client area it shows (empty: all of it); the cursor shows only
    // over that part.
    void SetDestination(const QRect& destination, bool visible, const QRect& part = QRect());
    // Shows the cursor over the thumbnail where it is on the source, or hides the overlay
    // (not shown, cursor elsewhere or hidden, source or destination gone).
    void Update(bool shown);

    // The popup, once made (for tests); null before the first time the cursor shows.
    HWND Popup() const { return popup_; }

  private:
    void Hide();
    bool Draw(HCURSOR cursor, const QRect& image, const QRect& visible);
    // Draws the cursor at the image's size and shows the part of it that is visible.
    bool Render(HCURSOR cursor, const QSize& image, const QRect& part, POINT origin);

    HWND destination_;
    HWND source_;
    HWND popup_ = nullptr;
    QRect placed_;
    QRect part_;
    bool placedVisible_ = false;
    // What the popup holds now, so that a move redraws nothing.
    HCURSOR drawnShape_ = nullptr;
    QSize drawnImage_;
    QRect drawnPart_;
};

// The overlays of one compositor and the hooks that drive them.
class Win32PointerTracker {
  public:
    Win32PointerTracker() = default;
    ~Win32PointerTracker();
    Win32PointerTracker(const Win32PointerTracker&) = delete;
    Win32PointerTracker& operator=(const Win32PointerTracker&) = delete;

    bool Shown() const { return shown_; }
    void SetShown(bool shown);
    void Add(Win32PointerOverlay* overlay);
    void Remove(Win32PointerOverlay* overlay);
    // Brings every overlay up to date with the cursor.
    void UpdateAll();
    // True while the hooks are installed.
    bool Hooked() const { return !hooks_.empty(); }

  private:
    void Rehook();

    std::vector<Win32PointerOverlay*> overlays_;
    std::vector<HWINEVENTHOOK> hooks_;
    bool shown_ = true;
};
