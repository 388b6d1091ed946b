// What a clone's PipeWire stream asks the producer for: the video formats (DMA-BUF in the
// layouts the compositor imports first, shared memory always), then the buffers and the
// metas (crop, pointer) for the format the producer chose.
#pragma once

#include <cstdint>
#include <vector>

struct spa_pod;
struct spa_pod_builder;
class DmaBufOffer;

// The EnumFormat params, best first: one per format of dmaBuf with its modifiers, then
// always the raw formats in shared memory.
std::vector<const spa_pod*> FormatOffers(spa_pod_builder& builder, const DmaBufOffer& dmaBuf);

// The cursor meta's size for a shape of width x height pixels.
std::uint32_t PointerMetaSize(std::uint32_t width, std::uint32_t height);

// The Buffers param (data types for the negotiated format: DMA-BUF, else shared memory)
// and the metas: the window's crop and the pointer with a shape of up to 64x64.
std::vector<const spa_pod*> BufferParams(spa_pod_builder& builder, bool dmaBuf);
