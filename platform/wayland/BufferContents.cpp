#include "platform/wayland/BufferContents.h"

#include <pipewire/stream.h>
#include <spa/buffer/buffer.h>
#include <spa/buffer/meta.h>

bool IsDmaBuf(const pw_buffer* buffer) {
    return buffer->buffer->n_datas > 0 && buffer->buffer->datas[0].type == SPA_DATA_DmaBuf;
}

bool HasPicture(const pw_buffer* buffer) {
    const spa_buffer* spa = buffer->buffer;
    if (spa->n_datas < 1 || spa->datas[0].chunk == nullptr) {
        return false;
    }
    const spa_data& plane = spa->datas[0];
    if ((plane.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) != 0) {
        return false;
    }
    return IsDmaBuf(buffer) ? plane.fd >= 0 : plane.data != nullptr && plane.chunk->size > 0;
}

std::size_t PointerMetaBytes(const spa_buffer* buffer) {
    const spa_meta* meta = spa_buffer_find_meta(buffer, SPA_META_Cursor);
    return meta != nullptr ? meta->size : 0;
}

std::optional<QRect> CropOf(const spa_buffer* buffer) {
    const auto* region = static_cast<const spa_meta_region*>(
        spa_buffer_find_meta_data(buffer, SPA_META_VideoCrop, sizeof(spa_meta_region)));
    if (region == nullptr || !spa_meta_region_is_valid(region)) {
        return std::nullopt;
    }
    return QRect(region->region.position.x, region->region.position.y,
                 static_cast<int>(region->region.size.width),
                 static_cast<int>(region->region.size.height));
}

std::vector<DmaBufPlane> DmaBufPlanes(const pw_buffer* buffer) {
    std::vector<DmaBufPlane> planes;
    for (std::uint32_t index = 0; index < buffer->buffer->n_datas; ++index) {
        const spa_data& plane = buffer->buffer->datas[index];
        planes.push_back({static_cast<int>(plane.fd), plane.chunk->offset,
                          static_cast<std::uint32_t>(plane.chunk->stride)});
    }
    return planes;
}
