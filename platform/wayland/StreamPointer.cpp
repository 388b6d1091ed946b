#include "platform/wayland/StreamPointer.h"

#include <spa/buffer/meta.h>
#include <spa/param/video/raw.h>

#include <cstring>
#include <optional>

namespace {

constexpr int kBytesPerPixel = 4;

// The shape in the meta's bitmap, or nothing when the meta carries no new one. An invisible
// shape (no pixel data) reads as a null image.
std::optional<QImage> ReadShape(const std::uint8_t* bytes, std::size_t size,
                                std::uint32_t bitmapOffset) {
    if (bitmapOffset < sizeof(spa_meta_cursor) || bitmapOffset > size - sizeof(spa_meta_bitmap)) {
        return std::nullopt;
    }
    spa_meta_bitmap bitmap{};
    std::memcpy(&bitmap, bytes + bitmapOffset, sizeof(bitmap));
    if (!spa_meta_bitmap_is_valid(&bitmap)) {
        return std::nullopt;
    }
    const QImage::Format format = ImageFormatForPointerBitmap(bitmap.format);
    const auto width = static_cast<int>(bitmap.size.width);
    const auto height = static_cast<int>(bitmap.size.height);
    if (bitmap.offset == 0 || format == QImage::Format_Invalid || width <= 0 || height <= 0 ||
        width > 1024 || height > 1024 || bitmap.stride < width * kBytesPerPixel) {
        return QImage();
    }
    const std::size_t first = std::size_t{bitmapOffset} + bitmap.offset;
    const std::size_t end = first + static_cast<std::size_t>(height - 1) * bitmap.stride +
                            static_cast<std::size_t>(width) * kBytesPerPixel;
    if (end > size) {
        return QImage();
    }
    return QImage(bytes + first, width, height, bitmap.stride, format).copy();
}

}  // namespace

QImage::Format ImageFormatForPointerBitmap(std::uint32_t spaVideoFormat) {
    switch (spaVideoFormat) {
        case SPA_VIDEO_FORMAT_BGRA:
            // Little-endian 0xAARRGGBB words: bytes B, G, R, A.
            return QImage::Format_ARGB32;
        case SPA_VIDEO_FORMAT_RGBA:
            return QImage::Format_RGBA8888;
        case SPA_VIDEO_FORMAT_BGRx:
            return QImage::Format_RGB32;
        case SPA_VIDEO_FORMAT_RGBx:
            return QImage::Format_RGBX8888;
        default:
            return QImage::Format_Invalid;
    }
}

bool ReadPointerMeta(const void* meta, std::size_t size, QSize picture, StreamPointer& pointer) {
    if (meta == nullptr || size < sizeof(spa_meta_cursor)) {
        return false;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(meta);
    spa_meta_cursor cursor{};
    std::memcpy(&cursor, bytes, sizeof(cursor));
    const StreamPointer before = pointer;
    if (!spa_meta_cursor_is_valid(&cursor)) {
        pointer.present = false;
    } else {
        if (std::optional<QImage> shape = ReadShape(bytes, size, cursor.bitmap_offset)) {
            pointer.shape = std::move(*shape);
            pointer.hotspot = QPoint(cursor.hotspot.x, cursor.hotspot.y);
        }
        pointer.position = QPoint(cursor.position.x, cursor.position.y);
        const bool inside =
            picture.isEmpty() || QRect(QPoint(0, 0), picture).contains(pointer.position);
        pointer.present = inside && !pointer.shape.isNull();
    }
    if (pointer.present != before.present) {
        return true;
    }
    return pointer.present &&
           (pointer.position != before.position || pointer.hotspot != before.hotspot ||
            pointer.shape.cacheKey() != before.shape.cacheKey());
}

QRect PointerPlacementOnPart(const StreamPointer& pointer, const QRect& shown, ImageTurn turn,
                             const QRect& target) {
    if (!pointer.present || pointer.shape.isNull() || target.isEmpty() || shown.isEmpty() ||
        !PlaceOnDestination(QPointF(pointer.position), shown, turn, target)) {
        return {};
    }
    // The shape's pixels on the window, taken through the image's own map: placed, scaled
    // and turned as the image is.
    const QRect onWindow(pointer.position - pointer.hotspot, pointer.shape.size());
    return DestinationBoxOf(DestinationToSource(shown, turn, target.size()), onWindow)
        .translated(target.topLeft());
}
