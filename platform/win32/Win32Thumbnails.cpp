#include "platform/win32/Win32Thumbnails.h"

#include "platform/win32/Win32Handles.h"

DWM_THUMBNAIL_PROPERTIES ToDwmPlacement(const QRect& destination, bool visible) {
    DWM_THUMBNAIL_PROPERTIES dwm{};
    dwm.dwFlags = DWM_TNP_RECTDESTINATION | DWM_TNP_VISIBLE | DWM_TNP_SOURCECLIENTAREAONLY;
    dwm.rcDestination =
        RECT{destination.left(), destination.top(), destination.left() + destination.width(),
             destination.top() + destination.height()};
    dwm.opacity = 255;
    dwm.fVisible = visible ? TRUE : FALSE;
    dwm.fSourceClientAreaOnly = TRUE;
    return dwm;
}

Win32Thumbnail::~Win32Thumbnail() {
    // Nothing to do about a refusal: the compositor no longer knows the thumbnail.
    calls_.unregisterThumbnail(thumbnail_);
}

bool Win32Thumbnail::Place(const QRect& destination, bool visible) {
    const DWM_THUMBNAIL_PROPERTIES dwm = ToDwmPlacement(destination, visible);
    return SUCCEEDED(calls_.updateProperties(thumbnail_, &dwm));
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
    return std::make_unique<Win32Thumbnail>(made, calls_);
}
