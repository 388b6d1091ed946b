#include "platform/wayland/DmaBufImport.h"

#include <wayland-client.h>

#include "linux-dmabuf-unstable-v1-client-protocol.h"
#include "platform/wayland/DmaBufOffer.h"

struct DmaBufImport::Listeners {
    static void Created(void* data, zwp_linux_buffer_params_v1*, wl_buffer* buffer) {
        static_cast<DmaBufImport*>(data)->Settle(State::Created, buffer);
    }
    static void Failed(void* data, zwp_linux_buffer_params_v1*) {
        static_cast<DmaBufImport*>(data)->Settle(State::Failed, nullptr);
    }
};

namespace {
const zwp_linux_buffer_params_v1_listener kParams{DmaBufImport::Listeners::Created,
                                                  DmaBufImport::Listeners::Failed};
}  // namespace

DmaBufImport::DmaBufImport(zwp_linux_dmabuf_v1* linuxDmaBuf, const DmaBufFrame& frame,
                           std::function<void(DmaBufImport&)> settled)
    : frame_(frame), settled_(std::move(settled)) {
    params_ = zwp_linux_dmabuf_v1_create_params(linuxDmaBuf);
    zwp_linux_buffer_params_v1_add_listener(params_, &kParams, this);
    const auto high = static_cast<std::uint32_t>(frame.modifier >> 32);
    const auto low = static_cast<std::uint32_t>(frame.modifier & 0xffffffffU);
    for (std::size_t index = 0; index < frame.planes.size(); ++index) {
        const DmaBufPlane& plane = frame.planes[index];
        zwp_linux_buffer_params_v1_add(params_, plane.fd, static_cast<std::uint32_t>(index),
                                       plane.offset, plane.stride, high, low);
    }
    zwp_linux_buffer_params_v1_create(params_, frame.size.width(), frame.size.height(),
                                      DrmFourccForVideoFormat(frame.videoFormat), 0);
}

DmaBufImport::~DmaBufImport() {
    if (params_ != nullptr) {
        zwp_linux_buffer_params_v1_destroy(params_);
    }
    if (buffer_ != nullptr) {
        wl_buffer_destroy(buffer_);
    }
}

bool DmaBufImport::Matches(const DmaBufFrame& frame) const {
    return frame.planes == frame_.planes && frame.size == frame_.size &&
           frame.videoFormat == frame_.videoFormat && frame.modifier == frame_.modifier;
}

void DmaBufImport::Settle(State state, wl_buffer* buffer) {
    zwp_linux_buffer_params_v1_destroy(params_);
    params_ = nullptr;
    state_ = state;
    buffer_ = buffer;
    if (settled_) {
        settled_(*this);
    }
}
