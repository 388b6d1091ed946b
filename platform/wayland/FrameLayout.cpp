#include "platform/wayland/FrameLayout.h"

#include <spa/param/video/raw.h>

namespace {
constexpr int kBytesPerPixel = 4;
}

QImage::Format ImageFormatForVideoFormat(std::uint32_t spaVideoFormat) {
    switch (spaVideoFormat) {
        case SPA_VIDEO_FORMAT_BGRx:
        case SPA_VIDEO_FORMAT_BGRA:
            // Little-endian 0xAARRGGBB words: bytes B, G, R, X.
            return QImage::Format_RGB32;
        case SPA_VIDEO_FORMAT_RGBx:
        case SPA_VIDEO_FORMAT_RGBA:
            return QImage::Format_RGBX8888;
        default:
            return QImage::Format_Invalid;
    }
}

std::optional<FrameRegion> VisibleRegion(const ChunkFacts& facts) {
    if (facts.chunkSize == 0 || facts.bufferSize.isEmpty()) {
        return std::nullopt;
    }
    const QRect whole(QPoint(0, 0), facts.bufferSize);
    QRect visible = whole;
    if (facts.crop && !facts.crop->isEmpty()) {
        visible = facts.crop->intersected(whole);
        if (visible.isEmpty()) {
            return std::nullopt;
        }
    }
    const int stride =
        facts.chunkStride > 0 ? facts.chunkStride : facts.bufferSize.width() * kBytesPerPixel;
    if (stride < facts.bufferSize.width() * kBytesPerPixel) {
        return std::nullopt;
    }
    const std::size_t first = static_cast<std::size_t>(visible.top()) * stride +
                              static_cast<std::size_t>(visible.left()) * kBytesPerPixel;
    const std::size_t end = first + static_cast<std::size_t>(visible.height() - 1) * stride +
                            static_cast<std::size_t>(visible.width()) * kBytesPerPixel;
    const std::size_t available =
        facts.mappedSize > facts.chunkOffset ? facts.mappedSize - facts.chunkOffset : 0;
    if (end > available) {
        return std::nullopt;
    }
    return FrameRegion{facts.chunkOffset + first, stride, visible.size()};
}
