#include "platform/x11/X11Thumbnails.h"

X11Thumbnails::X11Thumbnails(X11Context& context) : context_(context) {}
X11Thumbnails::~X11Thumbnails() = default;

bool X11Thumbnails::CompositionAvailable() {
    return false;
}

HResult X11Thumbnails::Register(WindowHandle, WindowHandle, ThumbnailHandle* thumbnail) {
    if (thumbnail != nullptr) {
        *thumbnail = 0;
    }
    return kResultNotImplemented;
}

HResult X11Thumbnails::QuerySourceSize(ThumbnailHandle, PixelSize*) {
    return kResultInvalidHandle;
}

HResult X11Thumbnails::Update(ThumbnailHandle, const ThumbnailProperties&) {
    return kResultInvalidHandle;
}

HResult X11Thumbnails::Unregister(ThumbnailHandle) {
    return kResultInvalidHandle;
}
