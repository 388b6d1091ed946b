#include "platform/win32/Win32Thumbnails.h"

namespace {

constexpr std::uint32_t kKnownThumbnailFlags = kThumbnailRectDestination | kThumbnailRectSource |
                                               kThumbnailOpacity | kThumbnailVisible |
                                               kThumbnailSourceClientAreaOnly;

RECT ToRect(const EdgeRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

}  // namespace

DWM_THUMBNAIL_PROPERTIES ToDwmThumbnailProperties(const ThumbnailProperties& properties) {
    DWM_THUMBNAIL_PROPERTIES dwm{};
    dwm.dwFlags = properties.flags & kKnownThumbnailFlags;
    dwm.rcDestination = ToRect(properties.destination);
    dwm.rcSource = ToRect(properties.source);
    dwm.opacity = properties.opacity;
    dwm.fVisible = properties.visible ? TRUE : FALSE;
    dwm.fSourceClientAreaOnly = properties.sourceClientAreaOnly ? TRUE : FALSE;
    return dwm;
}

HResult TWin32Thumbnails::Register(HWND destination, HWND source, ThumbnailHandle* thumbnail) {
    if (thumbnail == nullptr) {
        return kResultInvalidArg;
    }
    *thumbnail = 0;
    HTHUMBNAIL made = nullptr;
    const HRESULT result = FCalls.registerThumbnail(destination, source, &made);
    if (FAILED(result)) {
        return static_cast<HResult>(result);
    }
    if (made == nullptr) {
        // Success without a thumbnail would hand the caller a handle that draws nothing.
        return kResultFail;
    }
    // Any success code with a thumbnail is success; the caller only knows zero as that.
    const ThumbnailHandle id = NextFreeId();
    FLive.emplace(id, made);
    *thumbnail = id;
    return kResultOk;
}

HResult TWin32Thumbnails::QuerySourceSize(ThumbnailHandle thumbnail, PixelSize* size) const {
    const HTHUMBNAIL live = Find(thumbnail);
    if (live == nullptr) {
        return kResultInvalidHandle;
    }
    if (size == nullptr) {
        return kResultInvalidArg;
    }
    SIZE answer{};
    const HRESULT result = FCalls.querySourceSize(live, &answer);
    if (result == S_OK) {
        *size = PixelSize{static_cast<int>(answer.cx), static_cast<int>(answer.cy)};
    }
    return static_cast<HResult>(result);
}

HResult TWin32Thumbnails::Update(ThumbnailHandle thumbnail,
                                 const ThumbnailProperties& properties) const {
    const HTHUMBNAIL live = Find(thumbnail);
    if (live == nullptr) {
        return kResultInvalidHandle;
    }
    const DWM_THUMBNAIL_PROPERTIES dwm = ToDwmThumbnailProperties(properties);
    return static_cast<HResult>(FCalls.updateProperties(live, &dwm));
}

HResult TWin32Thumbnails::Unregister(ThumbnailHandle thumbnail) {
    const auto entry = FLive.find(thumbnail);
    if (entry == FLive.end()) {
        return kResultInvalidHandle;
    }
    const HTHUMBNAIL live = entry->second;
    // The id is released whatever dwmapi answers: a thumbnail it refuses to unregister is
    // one it no longer knows.
    FLive.erase(entry);
    return static_cast<HResult>(FCalls.unregisterThumbnail(live));
}

ThumbnailHandle TWin32Thumbnails::NextFreeId() {
    // Ids count up and wrap around, skipping 0 and any id still live, so a stale id held by
    // a caller does not name a new thumbnail soon after its own was unregistered.
    do {
        ++FLastId;
    } while (FLastId == 0 || FLive.count(FLastId) != 0);
    return FLastId;
}

HTHUMBNAIL TWin32Thumbnails::Find(ThumbnailHandle thumbnail) const {
    const auto entry = FLive.find(thumbnail);
    return entry == FLive.end() ? nullptr : entry->second;
}
