// DMA-BUF buffers read with the CPU: PipeWire maps shared-memory buffers itself but never
// DMA-BUF ones, so a linear DMA-BUF plane is mapped here when the buffer is added and
// unmapped when it is removed. The other buffers pass through unchanged.
#pragma once

#include <cstddef>

struct pw_buffer;

// Maps the first plane of a DMA-BUF buffer (read-only); nothing for other buffers.
void MapDmaBuf(pw_buffer* buffer);
void UnmapDmaBuf(pw_buffer* buffer);

// The first plane's bytes, wherever they are mapped; null when they are not.
const void* PlaneBytes(const pw_buffer* buffer);
// How many bytes PlaneBytes() gives access to.
std::size_t PlaneSize(const pw_buffer* buffer);

// Brackets reading a mapped DMA-BUF, so the exporter's caches are coherent with the CPU.
void BeginCpuAccess(const pw_buffer* buffer);
void EndCpuAccess(const pw_buffer* buffer);
