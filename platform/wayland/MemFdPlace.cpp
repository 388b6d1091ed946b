#include "platform/wayland/MemFdPlace.h"

#include <QFile>
#include <QList>

#include <sys/stat.h>

#include <pipewire/core.h>
#include <pipewire/mem.h>
#include <pipewire/stream.h>
#include <spa/buffer/buffer.h>

namespace {

std::size_t FileSize(int fd) {
    struct stat facts {};
    return fstat(fd, &facts) == 0 && facts.st_size > 0 ? static_cast<std::size_t>(facts.st_size)
                                                       : 0;
}

}  // namespace

std::optional<std::size_t> FileOffsetOf(const QByteArray& maps, std::uintptr_t address) {
    // Each line: "start-end perms offset dev inode [path]", numbers in hexadecimal.
    for (const QByteArray& line : maps.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 5) {
            continue;
        }
        const QList<QByteArray> range = fields[0].split('-');
        bool ok[3] = {false, false, false};
        const std::uintptr_t start = range.value(0).toULongLong(&ok[0], 16);
        const std::uintptr_t end = range.value(1).toULongLong(&ok[1], 16);
        const std::size_t offset = fields[2].toULongLong(&ok[2], 16);
        if (ok[0] && ok[1] && ok[2] && address >= start && address < end &&
            fields[4] != QByteArrayLiteral("0")) {
            return offset + (address - start);
        }
    }
    return std::nullopt;
}

std::optional<MemFdPlace> FindMemFdPlace(pw_core* core, const pw_buffer* buffer) {
    if (buffer->buffer->n_datas < 1) {
        return std::nullopt;
    }
    const spa_data& plane = buffer->buffer->datas[0];
    if (plane.type == SPA_DATA_MemFd && plane.fd >= 0) {
        const auto fd = static_cast<int>(plane.fd);
        return MemFdPlace{fd, plane.mapoffset, FileSize(fd)};
    }
    if (plane.type != SPA_DATA_MemPtr || plane.data == nullptr || core == nullptr) {
        return std::nullopt;
    }
    const pw_memblock* block = pw_mempool_find_ptr(pw_core_get_mempool(core), plane.data);
    if (block == nullptr || block->fd < 0 || block->type != SPA_DATA_MemFd) {
        return std::nullopt;
    }
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const std::optional<std::size_t> offset =
        FileOffsetOf(maps.readAll(), reinterpret_cast<std::uintptr_t>(plane.data));
    if (!offset) {
        return std::nullopt;
    }
    return MemFdPlace{block->fd, *offset, FileSize(block->fd)};
}
