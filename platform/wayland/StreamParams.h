// What a clone's PipeWire stream asks the producer for: the video formats (DMA-BUF in the
// layouts the compositor imports first, shared memory always), then the buffers and the
// metas (crop, pointer) for the format the producer chose.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <spa/param/video/raw.h>

struct spa_pod;
struct spa_pod_builder;
class DmaBufOffer;

// The video formats a clone takes, best first: the 32-bit ones the compositor and Qt show as
// they are.
inline constexpr std::array<std::uint32_t, 4> kVideoFormats{
    SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBA};

// The EnumFormat params, best first: one per format of dmaBuf with its modifiers, then
// always the raw formats in shared memory.
std::vector<const spa_pod*> FormatOffers(spa_pod_builder& builder, const DmaBufOffer& dmaBuf);

// The cursor meta's size for a shape of width x height pixels.
std::uint32_t PointerMetaSize(std::uint32_t width, std::uint32_t height);

// The Buffers param (data types for the negotiated format: DMA-BUF, else shared memory)
// and the metas: the window's crop and the pointer with a shape of up to 64x64.
std::vector<const spa_pod*> BufferParams(spa_pod_builder& builder, bool dmaBuf);
