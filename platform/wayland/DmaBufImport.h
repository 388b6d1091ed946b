// One DMA-BUF frame buffer imported by the compositor as a wl_buffer through
// zwp_linux_buffer_params_v1.create: the planes (fd, offset, stride) and the modifier go to
// the compositor, which answers `created` with the wl_buffer or `failed`. The asynchronous
// request is used rather than create_immed, whose refusal may be a protocol error that
// would end the whole connection.
#pragma once

#include <QRect>
#include <QSize>

#include <cstdint>
#include <functional>
#include <vector>

struct wl_buffer;
struct zwp_linux_buffer_params_v1;
struct zwp_linux_dmabuf_v1;

struct DmaBufPlane {
    int fd = -1;  // owned by whoever gave the frame
    std::uint32_t offset = 0;
    std::uint32_t stride = 0;
    friend bool operator==(const DmaBufPlane&, const DmaBufPlane&) = default;
};

// The newest picture as a DMA-BUF the compositor can import.
struct DmaBufFrame {
    const void* key = nullptr;  // the PipeWire buffer
    std::vector<DmaBufPlane> planes;
    QSize size;  // the whole buffer's picture
    QRect crop;  // the window inside it
    std::uint32_t videoFormat = 0;
    std::uint64_t modifier = 0;
};

class DmaBufImport {
  public:
    enum class State { Pending, Created, Failed };
    // Asks the compositor to import frame (as its opaque fourcc); settled is called once,
    // from the event dispatch, when it has answered.
    DmaBufImport(zwp_linux_dmabuf_v1* linuxDmaBuf, const DmaBufFrame& frame,
                 std::function<void(DmaBufImport&)> settled);
    ~DmaBufImport();
    DmaBufImport(const DmaBufImport&) = delete;
    DmaBufImport& operator=(const DmaBufImport&) = delete;

    State Current() const { return state_; }
    // The imported buffer; null unless created.
    wl_buffer* Buffer() const { return buffer_; }
    // Whether frame has the layout this import was made for.
    bool Matches(const DmaBufFrame& frame) const;
    std::uint32_t VideoFormat() const { return frame_.videoFormat; }
    std::uint64_t Modifier() const { return frame_.modifier; }

    struct Listeners;

  private:
    void Settle(State state, wl_buffer* buffer);

    DmaBufFrame frame_;
    std::function<void(DmaBufImport&)> settled_;
    zwp_linux_buffer_params_v1* params_ = nullptr;
    wl_buffer* buffer_ = nullptr;
    State state_ = State::Pending;
};
