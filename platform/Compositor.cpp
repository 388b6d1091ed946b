#include "platform/Compositor.h"

bool IsCompositionEnabled() {
    return CurrentPlatform().IsCompositionEnabled();
}

HResult RegisterThumbnail(WindowHandle destination, WindowHandle source,
                          ThumbnailHandle* thumbnail) {
    return CurrentPlatform().RegisterThumbnail(destination, source, thumbnail);
}

HResult QueryThumbnailSourceSize(ThumbnailHandle thumbnail, PixelSize* size) {
    return CurrentPlatform().QueryThumbnailSourceSize(thumbnail, size);
}

HResult UpdateThumbnailProperties(ThumbnailHandle thumbnail,
                                  const ThumbnailProperties& properties) {
    return CurrentPlatform().UpdateThumbnailProperties(thumbnail, properties);
}

HResult UnregisterThumbnail(ThumbnailHandle thumbnail) {
    return CurrentPlatform().UnregisterThumbnail(thumbnail);
}
