// The compositor calls the clone window makes, forwarding to the installed backend.
#pragma once

#include "platform/Platform.h"

bool IsCompositionEnabled();
HResult RegisterThumbnail(WindowHandle destination, WindowHandle source,
                          ThumbnailHandle* thumbnail);
HResult QueryThumbnailSourceSize(ThumbnailHandle thumbnail, PixelSize* size);
HResult UpdateThumbnailProperties(ThumbnailHandle thumbnail, const ThumbnailProperties& properties);
HResult UnregisterThumbnail(ThumbnailHandle thumbnail);
