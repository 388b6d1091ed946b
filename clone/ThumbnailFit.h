// Where a clone draws its thumbnail: the source's image fitted to the client or at its
// natural size, centred.
#pragma once

#include <QRect>
#include <QSize>

#include <optional>

// The largest size with the source's aspect ratio that fits the client, rounded half to even.
// Gives 0 x 0 when any of the four sizes is not positive (there is nothing to divide by).
void FitThumbnailSize(int sourceWidth, int sourceHeight, int clientWidth, int clientHeight,
                      int& width, int& height);

// The destination rectangle of a thumbnail in a client of the given size (device pixels):
// the fitted or the natural size, centred with the same inset on both sides (negative, and
// so cropped by the window, when the image is larger). Nothing when a size is not positive.
std::optional<QRect> ThumbnailDestination(QSize source, QSize client, bool fit);
