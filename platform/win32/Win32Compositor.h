// Desktop window manager thumbnails: one Win32Thumbnail owns one HTHUMBNAIL.
#pragma once

#include "platform/win32/Win32Api.h"

#include <cstddef>
#include <memory>

#include "platform/Compositor.h"
#include "platform/win32/Win32Pointer.h"

// The properties record is byte-packed in dwmapi.h; the compositor reads it at these
// offsets, so a header or compiler that laid it out differently must not build.
static_assert(sizeof(DWM_THUMBNAIL_PROPERTIES) == 45);
static_assert(offsetof(DWM_THUMBNAIL_PROPERTIES, dwFlags) == 0);
static_assert(offsetof(DWM_THUMBNAIL_PROPERTIES, rcDestination) == 4);
static_assert(offsetof(DWM_THUMBNAIL_PROPERTIES, rcSource) == 20);
static_assert(offsetof(DWM_THUMBNAIL_PROPERTIES, opacity) == 36);
static_assert(offsetof(DWM_THUMBNAIL_PROPERTIES, fVisible) == 37);
static_assert(offsetof(DWM_THUMBNAIL_PROPERTIES, fSourceClientAreaOnly) == 41);

// The record a clone's placement becomes: the destination rectangle (right and bottom
// exclusive, as RECT has them), the visibility, and only the source's client area; with a
// non-empty source, only that part of the client area (client coordinates, as the
// compositor takes them once it draws the client area alone).
DWM_THUMBNAIL_PROPERTIES ToDwmPlacement(const QRect& destination, bool visible,
                                        const QRect& source = QRect());

// The dwmapi calls a thumbnail makes; tests give stand-ins to check what reaches dwmapi.
struct DwmThumbnailCalls {
    HRESULT(WINAPI* isCompositionEnabled)(BOOL*) = DwmIsCompositionEnabled;
    HRESULT(WINAPI* registerThumbnail)(HWND, HWND, PHTHUMBNAIL) = DwmRegisterThumbnail;
    HRESULT(WINAPI* querySourceSize)(HTHUMBNAIL, PSIZE) = DwmQueryThumbnailSourceSize;
    HRESULT(WINAPI* updateProperties)
    (HTHUMBNAIL, const DWM_THUMBNAIL_PROPERTIES*) = DwmUpdateThumbnailProperties;
    HRESULT(WINAPI* unregisterThumbnail)(HTHUMBNAIL) = DwmUnregisterThumbnail;
};

class Win32Thumbnail final : public Thumbnail {
  public:
    // thumbnail is a live registration made through calls; it is unregistered at the end.
    Win32Thumbnail(HTHUMBNAIL thumbnail, const DwmThumbnailCalls& calls)
        : thumbnail_(thumbnail), calls_(calls) {}
    // The same, with the pointer drawn over the image by an overlay the tracker drives.
    Win32Thumbnail(HTHUMBNAIL thumbnail, const DwmThumbnailCalls& calls,
                   std::shared_ptr<Win32PointerTracker> pointer, HWND destination, HWND source);
    ~Win32Thumbnail() override;

    bool Place(const QRect& destination, bool visible) override;
    // A part is cropped by the compositor; a turn it cannot draw, so that is refused.
    bool SetSource(const QRect& part, ImageTurn turn) override;
    std::optional<QSize> SourceSize() override;

  private:
    // The source rectangle the next Place sends; empty with no crop in force there.
    QRect SourceToSend();

    HTHUMBNAIL thumbnail_;
    QRect part_;
    // The compositor keeps a source rectangle until told another: the whole window must be
    // sent explicitly after a crop.
    bool cropSent_ = false;
    DwmThumbnailCalls calls_;
    std::shared_ptr<Win32PointerTracker> pointer_;
    std::unique_ptr<Win32PointerOverlay> overlay_;
};

class Win32Compositor final : public Compositor {
  public:
    explicit Win32Compositor(const DwmThumbnailCalls& calls = {}) : calls_(calls) {}
    // Only the flag counts: a failed call leaves it FALSE, so composition is then off.
    bool Available() override;
    std::unique_ptr<Thumbnail> CreateThumbnail(WindowHandle destination,
                                               WindowHandle source) override;
    // The desktop window manager leaves the cursor out of thumbnails: overlays draw it.
    void SetPointerShown(bool shown) override { pointer_->SetShown(shown); }
    bool CanShowPointer() const override { return true; }
    bool CanCrop() const override { return true; }
    QString CannotTransformReason() const override {
        return QStringLiteral(
            "the Windows desktop window manager's thumbnails cannot mirror or rotate a window");
    }

  private:
    DwmThumbnailCalls calls_;
    std::shared_ptr<Win32PointerTracker> pointer_ = std::make_shared<Win32PointerTracker>();
};
