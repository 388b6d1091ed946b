// How a clone's frames reach the screen. Handed on: each PipeWire buffer becomes a wl_buffer
// (wl_shm on its memfd, or a DMA-BUF import through linux-dmabuf) of a subsurface the
// compositor scales with wp_viewport, and the program touches no pixel. Drawn: the program
// scales each shared-memory frame into its own surface, for compositors without the
// protocols and for buffers it cannot hand on; it never draws a DMA-BUF frame.
#pragma once

#include <QString>

#include <cstdint>

enum class FramePath { HandedOnShm, HandedOnDmaBuf, Drawn };

struct FramePathFacts {
    bool surfaceKnown = false;   // the clone's wl_surface and the display reached through Qt
    bool subcompositor = false;  // wl_subcompositor bound
    bool viewporter = false;     // wp_viewporter bound
    bool shmFormat = false;      // wl_shm takes the frame's pixel format
    bool memFd = false;          // the frame's memory is a file descriptor the compositor can map
    bool dmaBuf = false;         // the frame is a DMA-BUF
    bool linuxDmaBuf = false;    // zwp_linux_dmabuf_v1 bound
};

FramePath ChooseFramePath(const FramePathFacts& facts);

// One line for standard error and for bug reports: "wayland, frames handed to the compositor
// (shm)" or "(dmabuf)", or "wayland, frames drawn by the program (<why>)".
QString DescribeFramePath(FramePath path, const FramePathFacts& facts);

// The wl_shm format that shows a SPA video format as an opaque picture (the alpha byte of
// BGRA/RGBA window frames is ignored, as when drawn); 0 (ARGB8888, never asked for) when
// there is none.
std::uint32_t ShmFormatForVideoFormat(std::uint32_t spaVideoFormat);
