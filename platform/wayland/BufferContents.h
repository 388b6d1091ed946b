// What a dequeued PipeWire buffer carries: whether it holds a picture and in which memory,
// the window's crop inside it, the cursor meta's bytes and a DMA-BUF's planes.
#pragma once

#include <QRect>

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/wayland/DmaBufImport.h"

struct pw_buffer;
struct spa_buffer;

bool IsDmaBuf(const pw_buffer* buffer);
// A DMA-BUF's chunk size says nothing (producers leave it 0); shared memory must hold bytes.
bool HasPicture(const pw_buffer* buffer);
// The bytes the cursor meta has on this buffer (its negotiated size).
std::size_t PointerMetaBytes(const spa_buffer* buffer);
// SPA_META_VideoCrop when present and valid.
std::optional<QRect> CropOf(const spa_buffer* buffer);
// Each data's fd with its chunk's offset and stride.
std::vector<DmaBufPlane> DmaBufPlanes(const pw_buffer* buffer);
