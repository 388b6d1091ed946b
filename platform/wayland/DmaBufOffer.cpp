#include "platform/wayland/DmaBufOffer.h"

#include <algorithm>

#include <spa/param/video/raw.h>

#include "platform/wayland/StreamParams.h"

namespace {

constexpr std::uint32_t Fourcc(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(a) | (static_cast<std::uint32_t>(b) << 8) |
           (static_cast<std::uint32_t>(c) << 16) | (static_cast<std::uint32_t>(d) << 24);
}

constexpr std::uint32_t kXrgb8888 = Fourcc('X', 'R', '2', '4');
constexpr std::uint32_t kXbgr8888 = Fourcc('X', 'B', '2', '4');

}  // namespace

std::uint32_t DrmFourccForVideoFormat(std::uint32_t spaVideoFormat) {
    switch (spaVideoFormat) {
        case SPA_VIDEO_FORMAT_BGRx:
        case SPA_VIDEO_FORMAT_BGRA:
            return kXrgb8888;
        case SPA_VIDEO_FORMAT_RGBx:
        case SPA_VIDEO_FORMAT_RGBA:
            return kXbgr8888;
        default:
            return 0;
    }
}

DmaBufOffer DmaBufOffer::For(const DmaBufPairs& importable) {
    DmaBufOffer offer;
    for (const std::uint32_t videoFormat : kVideoFormats) {
        Format format{videoFormat, {}};
        const std::uint32_t fourcc = DrmFourccForVideoFormat(videoFormat);
        for (const auto& [listed, modifier] : importable) {
            if (listed == fourcc) {
                format.modifiers.push_back(modifier);
            }
        }
        if (!format.modifiers.empty()) {
            offer.formats_.push_back(std::move(format));
        }
    }
    return offer;
}

bool DmaBufOffer::Refuse(std::uint32_t videoFormat, std::uint64_t modifier) {
    const std::uint32_t fourcc = DrmFourccForVideoFormat(videoFormat);
    bool changed = false;
    for (Format& format : formats_) {
        if (DrmFourccForVideoFormat(format.videoFormat) == fourcc) {
            changed |= std::erase(format.modifiers, modifier) > 0;
        }
    }
    std::erase_if(formats_, [](const Format& format) { return format.modifiers.empty(); });
    return changed;
}

bool DmaBufOffer::RefuseAll() {
    const bool changed = !formats_.empty();
    formats_.clear();
    return changed;
}
