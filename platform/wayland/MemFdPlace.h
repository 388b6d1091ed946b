// Where a shared-memory buffer's bytes lie in a file the compositor can map. PipeWire hands
// a consumer its frames either as a memfd of their own (SPA_DATA_MemFd) or as a pointer into
// a memfd block it has mapped (SPA_DATA_MemPtr, the usual case between two processes): the
// block's fd then comes from PipeWire's memory pool and the bytes' offset in it from the
// mapping that holds them.
#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <optional>

struct pw_buffer;
struct pw_core;

struct MemFdPlace {
    int fd = -1;                 // owned by PipeWire
    std::size_t dataOffset = 0;  // of the plane's data in fd
    std::size_t fileSize = 0;    // bytes of fd that can be mapped
    friend bool operator==(const MemFdPlace&, const MemFdPlace&) = default;
};

// The place of the first plane of buffer; empty for DMA-BUF and for memory in no file.
std::optional<MemFdPlace> FindMemFdPlace(pw_core* core, const pw_buffer* buffer);

// The offset in its file of address, from the text of /proc/self/maps; empty when no file
// mapping holds it.
std::optional<std::size_t> FileOffsetOf(const QByteArray& maps, std::uintptr_t address);
