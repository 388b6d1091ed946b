// Live thumbnails drawn by the X server: the source is redirected, its pixmap named and
// rendered scaled into the destination window with XRender on every damage.
#pragma once

#include "platform/Platform.h"
#include "platform/x11/X11Context.h"

class X11Thumbnails {
public:
    explicit X11Thumbnails(X11Context& context);
    ~X11Thumbnails();
    bool CompositionAvailable();
    HResult Register(WindowHandle destination, WindowHandle source, ThumbnailHandle* thumbnail);
    HResult QuerySourceSize(ThumbnailHandle thumbnail, PixelSize* size);
    HResult Update(ThumbnailHandle thumbnail, const ThumbnailProperties& properties);
    HResult Unregister(ThumbnailHandle thumbnail);

private:
    X11Context& context_;
};
