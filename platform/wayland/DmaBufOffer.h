// Which DMA-BUF layouts a clone's stream offers the producer: per video format only the
// modifiers the compositor imports for that format's opaque fourcc, so every DMA-BUF frame
// can be handed on as it is and none is ever read by the program. A layout the compositor
// refused to import is dropped and the rest offered again; with none left the stream falls
// back to shared memory.
#pragma once

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

// (DRM fourcc, DRM format modifier) pairs the compositor can import, as linux-dmabuf lists
// them.
using DmaBufPairs = std::set<std::pair<std::uint32_t, std::uint64_t>>;

constexpr std::uint64_t kLinearModifier = 0;
constexpr std::uint64_t kImplicitModifier = 0x00ffffffffffffffULL;  // DRM_FORMAT_MOD_INVALID

// The DRM fourcc that shows a SPA video format as an opaque picture (XRGB8888 for BGRx and
// BGRA, XBGR8888 for RGBx and RGBA: window frames are opaque); 0 when there is none.
std::uint32_t DrmFourccForVideoFormat(std::uint32_t spaVideoFormat);

class DmaBufOffer {
  public:
    struct Format {
        std::uint32_t videoFormat = 0;         // SPA_VIDEO_FORMAT_*
        std::vector<std::uint64_t> modifiers;  // never empty
        friend bool operator==(const Format&, const Format&) = default;
    };

    // Offers nothing: shared memory only.
    DmaBufOffer() = default;
    // The program's video formats, best first, each with the modifiers importable says the
    // compositor takes for its fourcc; formats without one are left out.
    static DmaBufOffer For(const DmaBufPairs& importable);

    bool Empty() const { return formats_.empty(); }
    const std::vector<Format>& Formats() const { return formats_; }
    // The compositor refused videoFormat's fourcc with modifier: that pair leaves every
    // format with the same fourcc. True when the offer changed (the stream renegotiates).
    bool Refuse(std::uint32_t videoFormat, std::uint64_t modifier);
    // No DMA-BUF at all from now on (frames that cannot be handed on). True when the offer
    // changed.
    bool RefuseAll();

  private:
    std::vector<Format> formats_;
};
