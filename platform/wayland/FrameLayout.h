// Where the picture of one PipeWire buffer lies: the pixel format Qt draws it with and the
// visible rectangle (the video crop) inside the mapped memory. Pure arithmetic, checked
// against the buffer's real size so a lying producer cannot make us read past it.
#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <optional>

// The Qt format that reads a 32-bit SPA video format as is, without conversion; alpha is
// ignored (windows are opaque). Format_Invalid for every other format.
QImage::Format ImageFormatForVideoFormat(std::uint32_t spaVideoFormat);

struct FrameRegion {
    std::size_t offset = 0;  // of the first visible pixel from the start of the chunk's data
    int stride = 0;
    QSize size;
    friend bool operator==(const FrameRegion&, const FrameRegion&) = default;
};

struct ChunkFacts {
    QSize bufferSize;     // the negotiated video size
    int chunkStride = 0;  // 0: producer did not say (tightly packed rows)
    std::size_t chunkOffset = 0;
    std::size_t chunkSize = 0;
    std::size_t mappedSize = 0;  // bytes of the data plane
    std::optional<QRect> crop;   // SPA_META_VideoCrop when present and non-empty
};

// The visible region, or nothing when the chunk is empty (a cursor-only update) or does not
// hold the rows it claims.
std::optional<FrameRegion> VisibleRegion(const ChunkFacts& facts);
