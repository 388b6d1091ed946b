#include "platform/wayland/DmaBufMapping.h"

#include <linux/dma-buf.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QtGlobal>

#include <pipewire/stream.h>
#include <spa/buffer/buffer.h>

namespace {

struct Mapping {
    void* address = nullptr;
    std::size_t length = 0;
    int fd = -1;
};

const Mapping* MappingOf(const pw_buffer* buffer) {
    return static_cast<const Mapping*>(buffer->user_data);
}

void Sync(const pw_buffer* buffer, std::uint64_t flags) {
    if (const Mapping* mapping = MappingOf(buffer)) {
        dma_buf_sync sync{};
        sync.flags = flags | DMA_BUF_SYNC_READ;
        // Exporters without CPU caches refuse the call; the mapping is coherent there.
        static_cast<void>(ioctl(mapping->fd, DMA_BUF_IOCTL_SYNC, &sync));
    }
}

}  // namespace

void MapDmaBuf(pw_buffer* buffer) {
    const spa_buffer* spa = buffer->buffer;
    if (spa->n_datas < 1 || spa->datas[0].type != SPA_DATA_DmaBuf ||
        spa->datas[0].data != nullptr) {
        return;
    }
    const spa_data& plane = spa->datas[0];
    const auto fd = static_cast<int>(plane.fd);
    std::size_t length = std::size_t{plane.mapoffset} + plane.maxsize;
    if (plane.maxsize == 0) {
        const off_t end = lseek(fd, 0, SEEK_END);
        length = end > 0 ? static_cast<std::size_t>(end) : 0;
    }
    if (length <= plane.mapoffset) {
        return;
    }
    void* address = mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
    if (address == MAP_FAILED) {
        qWarning("vantrel: cannot map a DMA-BUF frame buffer");
        return;
    }
    buffer->user_data = new Mapping{address, length, fd};
}

void UnmapDmaBuf(pw_buffer* buffer) {
    const Mapping* mapping = MappingOf(buffer);
    if (mapping == nullptr) {
        return;
    }
    munmap(mapping->address, mapping->length);
    delete mapping;
    buffer->user_data = nullptr;
}

const void* PlaneBytes(const pw_buffer* buffer) {
    if (const Mapping* mapping = MappingOf(buffer)) {
        return static_cast<const char*>(mapping->address) + buffer->buffer->datas[0].mapoffset;
    }
    return buffer->buffer->n_datas > 0 ? buffer->buffer->datas[0].data : nullptr;
}

std::size_t PlaneSize(const pw_buffer* buffer) {
    if (const Mapping* mapping = MappingOf(buffer)) {
        return mapping->length - buffer->buffer->datas[0].mapoffset;
    }
    return buffer->buffer->n_datas > 0 ? buffer->buffer->datas[0].maxsize : 0;
}

void BeginCpuAccess(const pw_buffer* buffer) {
    Sync(buffer, DMA_BUF_SYNC_START);
}

void EndCpuAccess(const pw_buffer* buffer) {
    Sync(buffer, DMA_BUF_SYNC_END);
}
