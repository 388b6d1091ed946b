// Where a clone draws its thumbnail: the source's image fitted to the client or at its
// natural size, centred. The other modes, the crop and the turns are in CloneGeometry.h.
#pragma once

#include <QRect>
#include <QSize>

#include <optional>

#include "platform/CloneGeometry.h"

// The destination rectangle of a thumbnail in a client of the given size (device pixels):
// the fitted or the natural size, centred with the same inset on both sides (negative, and
// so cropped by the window, when the image is larger). Nothing when a size is not positive.
std::optional<QRect> ThumbnailDestination(QSize source, QSize client, bool fit);
