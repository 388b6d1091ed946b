#include "platform/win32/Win32Compositor.h"

#include "platform/win32/Win32Handles.h"

#include <utility>

namespace {

RECT ToRect(const QRect& r) {
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

DWM_THUMBNAIL_PROPERTIES ToDwmPlacement(const QRect& destination, bool visible,
                                        const QRect& source) {
    DWM_THUMBNAIL_PROPERTIES dwm{};
    dwm.dwFlags = DWM_TNP_RECTDESTINATION | DWM_TNP_VISIBLE | DWM_TNP_SOURCECLIENTAREAONLY;
    dwm.rcDestination = ToRect(destination);
    if (!source.isEmpty()) {
        dwm.dwFlags |= DWM_TNP_RECTSOURCE;
        dwm.rcSource = ToRect(source);
    }
    dwm.opacity = 255;
    dwm.fVisible = visible ? TRUE : FALSE;
    dwm.fSourceClientAreaOnly = TRUE;
    return dwm;
}

Win32Thumbnail::Win32Thumbnail(HTHUMBNAIL thumbnail, const DwmThumbnailCalls& calls,
                               std::shared_ptr<Win32PointerTracker> pointer, HWND destination,
                               HWND source)
    : thumbnail_(thumbnail),
      calls_(calls),
      pointer_(std::move(pointer)),
      overlay_(std::make_unique<Win32PointerOverlay>(destination, source)) {
    pointer_->Add(overlay_.get());
}

Win32Thumbnail::~Win32Thumbnail() {
    if (overlay_) {
        pointer_->Remove(overlay_.get());
    }
    // Nothing to do about a refusal: the compositor no longer knows the thumbnail.
    calls_.unregisterThumbnail(thumbnail_);
}

bool Win32Thumbnail::SetSource(const QRect& part, ImageTurn turn) {
    // Refused turns leave the whole window shown unturned, crop included.
    const bool drawable = turn == ImageTurn::None;
    part_ = drawable ? part : QRect();
    return drawable;
}

QRect Win32Thumbnail::SourceToSend() {
    if (!part_.isEmpty() || !cropSent_) {
        return part_;
    }
    SIZE size{};
    if (calls_.querySourceSize(thumbnail_, &size) != S_OK) {
        return QRect();  // the crop stays until the size can be read
    }
    return QRect(0, 0, static_cast<int>(size.cx), static_cast<int>(size.cy));
}

bool Win32Thumbnail::Place(const QRect& destination, bool visible) {
    const QRect source = SourceToSend();
    const DWM_THUMBNAIL_PROPERTIES dwm = ToDwmPlacement(destination, visible, source);
    const bool placed = SUCCEEDED(calls_.updateProperties(thumbnail_, &dwm));
    if (placed && !source.isEmpty()) {
        cropSent_ = !part_.isEmpty();
    }
    if (overlay_) {
        overlay_->SetDestination(destination, placed && visible, part_);
        overlay_->Update(pointer_->Shown());
    }
    return placed;
}

std::optional<QSize> Win32Thumbnail::SourceSize() {
    SIZE size{};
    if (calls_.querySourceSize(thumbnail_, &size) != S_OK) {
        return std::nullopt;
    }
    return QSize(static_cast<int>(size.cx), static_cast<int>(size.cy));
}

bool Win32Compositor::Available() {
    BOOL enabled = FALSE;
    calls_.isCompositionEnabled(&enabled);
    return enabled != FALSE;
}

std::unique_ptr<Thumbnail> Win32Compositor::CreateThumbnail(WindowHandle destination,
                                                            WindowHandle source) {
    HTHUMBNAIL made = nullptr;
    const HRESULT result = calls_.registerThumbnail(ToHwnd(destination), ToHwnd(source), &made);
    // Success without a thumbnail would give an object that draws nothing and can never be
    // released.
    if (FAILED(result) || made == nullptr) {
        return nullptr;
    }
    return std::make_unique<Win32Thumbnail>(made, calls_, pointer_, ToHwnd(destination),
                                            ToHwnd(source));
}
