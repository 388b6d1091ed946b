// What a clone's PipeWire stream asks the producer for: the video formats (DMA-BUF with
// modifiers first where a GPU render node exists, shared memory always), then the buffers
// and the metas (crop, pointer) for the format the producer chose.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

struct spa_pod;
struct spa_pod_builder;

// DRM format modifiers the program reads with the CPU: the buffer is one plane of rows.
constexpr std::uint64_t kLinearModifier = 0;
constexpr std::uint64_t kImplicitModifier = 0x00ffffffffffffffULL;  // DRM_FORMAT_MOD_INVALID
bool IsLinearModifier(std::uint64_t modifier);

// Whether deviceDir holds a render node this user may open (a GPU that can hand out DMA-BUF
// buffers). Cheap: a directory listing and an access check.
bool HasRenderNode(const QString& deviceDir = QStringLiteral("/dev/dri"));

// The EnumFormat params, best first: with dmaBuf the raw formats with linear modifiers,
// then always the same formats in shared memory.
std::vector<const spa_pod*> FormatOffers(spa_pod_builder& builder, bool dmaBuf);

// The cursor meta's size for a shape of width x height pixels.
std::uint32_t PointerMetaSize(std::uint32_t width, std::uint32_t height);

// The Buffers param (data types for the negotiated format: DMA-BUF, else shared memory)
// and the metas: the window's crop and the pointer with a shape of up to 64x64.
std::vector<const spa_pod*> BufferParams(spa_pod_builder& builder, bool dmaBuf);
