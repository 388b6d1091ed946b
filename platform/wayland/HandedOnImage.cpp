#include "platform/wayland/HandedOnImage.h"

#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include <wayland-client.h>

#include "platform/wayland/FramePath.h"
#include "platform/wayland/PipeWireStream.h"
#include "platform/wayland/StreamPointer.h"
#include "platform/wayland/SurfaceGlobals.h"
#include "viewporter-client-protocol.h"

struct HandedOnImage::Listeners {
    static void Release(void* data, wl_buffer*) {
        auto* wrapped = static_cast<Wrapped*>(data);
        wrapped->owner->OnRelease(*wrapped);
    }
    static void PointerRelease(void*, wl_buffer*) {}
};

namespace {

const wl_buffer_listener kRelease{HandedOnImage::Listeners::Release};

// Clicks fall through the image to the view under it.
void IgnoreInput(wl_compositor* compositor, wl_surface* surface) {
    wl_region* none = wl_compositor_create_region(compositor);
    wl_surface_set_input_region(surface, none);
    wl_region_destroy(none);
}

// A premultiplied ARGB8888 copy of shape in a buffer of its own (a few KiB, once per shape).
wl_buffer* ShapeBuffer(wl_shm* shm, const QImage& shape) {
    const QImage argb = shape.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int stride = argb.width() * 4;
    const std::size_t bytes = static_cast<std::size_t>(stride) * argb.height();
    const int fd = memfd_create("vantrel-pointer", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        return nullptr;
    }
    void* memory = mmap(nullptr, bytes, PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    for (int row = 0; row < argb.height(); ++row) {
        std::memcpy(static_cast<char*>(memory) + static_cast<std::size_t>(row) * stride,
                    argb.constScanLine(row), static_cast<std::size_t>(stride));
    }
    munmap(memory, bytes);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(bytes));
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, argb.width(), argb.height(), stride,
                                                  WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

// What the buffer transform says of a buffer whose picture is to appear turned: the
// compositor applies its inverse, so a clockwise turn is declared as the counter-clockwise
// transform of the same angle (mirrors are their own inverse).
wl_output_transform DeclaredTransform(ImageTurn turn) {
    switch (turn) {
        case ImageTurn::FlipX:
            return WL_OUTPUT_TRANSFORM_FLIPPED;
        case ImageTurn::FlipY:
            return WL_OUTPUT_TRANSFORM_FLIPPED_180;
        case ImageTurn::Rotate90:
            return WL_OUTPUT_TRANSFORM_90;
        case ImageTurn::Rotate180:
            return WL_OUTPUT_TRANSFORM_180;
        case ImageTurn::Rotate270:
            return WL_OUTPUT_TRANSFORM_270;
        case ImageTurn::None:
            break;
    }
    return WL_OUTPUT_TRANSFORM_NORMAL;
}

// The viewport's source is in surface coordinates, after the buffer transform: rect (buffer
// pixels of a buffer of the given size) where it lands once turned.
QRect TurnedRect(const QRect& rect, QSize buffer, ImageTurn turn) {
    const int right = buffer.width() - rect.x() - rect.width();
    const int bottom = buffer.height() - rect.y() - rect.height();
    switch (turn) {
        case ImageTurn::FlipX:
            return {right, rect.y(), rect.width(), rect.height()};
        case ImageTurn::FlipY:
            return {rect.x(), bottom, rect.width(), rect.height()};
        case ImageTurn::Rotate90:
            return {bottom, rect.x(), rect.height(), rect.width()};
        case ImageTurn::Rotate180:
            return {right, bottom, rect.width(), rect.height()};
        case ImageTurn::Rotate270:
            return {rect.y(), right, rect.height(), rect.width()};
        case ImageTurn::None:
            break;
    }
    return rect;
}

}  // namespace

HandedOnImage::HandedOnImage(const SurfaceGlobals& globals, wl_surface* parent)
    : globals_(globals), parent_(parent) {
    surface_ = wl_compositor_create_surface(globals.Compositor());
    subsurface_ = wl_subcompositor_get_subsurface(globals.Subcompositor(), surface_, parent);
    wl_subsurface_set_desync(subsurface_);
    viewport_ = wp_viewporter_get_viewport(globals.Viewporter(), surface_);
    IgnoreInput(globals.Compositor(), surface_);
    pointerSurface_ = wl_compositor_create_surface(globals.Compositor());
    pointerSubsurface_ =
        wl_subcompositor_get_subsurface(globals.Subcompositor(), pointerSurface_, surface_);
    wl_subsurface_set_desync(pointerSubsurface_);
    pointerViewport_ = wp_viewporter_get_viewport(globals.Viewporter(), pointerSurface_);
    IgnoreInput(globals.Compositor(), pointerSurface_);
}

HandedOnImage::~HandedOnImage() {
    for (auto& [key, wrapped] : buffers_) {
        Drop(*wrapped);
    }
    if (pointerBuffer_ != nullptr) {
        wl_buffer_destroy(pointerBuffer_);
    }
    wp_viewport_destroy(pointerViewport_);
    wl_subsurface_destroy(pointerSubsurface_);
    wl_surface_destroy(pointerSurface_);
    wp_viewport_destroy(viewport_);
    wl_subsurface_destroy(subsurface_);
    wl_surface_destroy(surface_);
    CommitParent();
    wl_display_flush(globals_.Display());
}

bool HandedOnImage::Takes(const ShmFrame& frame) const {
    const std::uint32_t format = ShmFormatForVideoFormat(frame.videoFormat);
    return format != 0 && globals_.ShmTakes(format);
}

std::unique_ptr<HandedOnImage::Wrapped> HandedOnImage::Fresh(std::unique_ptr<Wrapped> old,
                                                             BufferLedger::Key key) {
    if (old) {
        Drop(*old);  // the producer laid the buffer out anew
    }
    auto made = std::make_unique<Wrapped>();
    made->owner = this;
    made->key = key;
    return made;
}

HandedOnImage::Wrapped& HandedOnImage::WrapperFor(const ShmFrame& frame) {
    std::unique_ptr<Wrapped>& wrapped = buffers_[frame.key];
    const std::uint32_t format = ShmFormatForVideoFormat(frame.videoFormat);
    if (!wrapped || wrapped->offset != frame.offset || wrapped->stride != frame.stride ||
        wrapped->size != frame.size || wrapped->format != format) {
        wrapped = Fresh(std::move(wrapped), frame.key);
        wrapped->offset = frame.offset;
        wrapped->stride = frame.stride;
        wrapped->size = frame.size;
        wrapped->format = format;
        wrapped->pool =
            wl_shm_create_pool(globals_.Shm(), frame.fd, static_cast<std::int32_t>(frame.poolSize));
        wrapped->buffer = wl_shm_pool_create_buffer(
            wrapped->pool, static_cast<std::int32_t>(frame.offset), frame.size.width(),
            frame.size.height(), frame.stride, format);
        wl_buffer_add_listener(wrapped->buffer, &kRelease, wrapped.get());
    }
    return *wrapped;
}

HandedOnImage::Wrapped& HandedOnImage::WrapperFor(PipeWireStream& stream,
                                                  const DmaBufFrame& frame) {
    std::unique_ptr<Wrapped>& wrapped = buffers_[frame.key];
    if (!wrapped || !wrapped->import || !wrapped->import->Matches(frame)) {
        wrapped = Fresh(std::move(wrapped), frame.key);
        Wrapped* made = wrapped.get();
        wrapped->import = std::make_unique<DmaBufImport>(
            globals_.LinuxDmaBuf(), frame,
            [this, &stream, made](DmaBufImport&) { OnImported(stream, *made); });
    }
    return *wrapped;
}

void HandedOnImage::OnImported(PipeWireStream& stream, Wrapped& wrapped) {
    if (wrapped.import->Current() == DmaBufImport::State::Failed) {
        stream.RefuseDmaBuf(wrapped.import->VideoFormat(), wrapped.import->Modifier());
        return;
    }
    wrapped.buffer = wrapped.import->Buffer();
    wl_buffer_add_listener(wrapped.buffer, &kRelease, &wrapped);
    if (waiting_ && waiting_->frame.key == wrapped.key) {
        const Waiting show = *std::exchange(waiting_, std::nullopt);
        Present(stream, wrapped, show.frame.size, show.frame.crop, show.target, show.part,
                show.turn);
        ShowPointer(stream.Pointer(), pointerShown_);
    }
}

void HandedOnImage::Show(PipeWireStream& stream, const DmaBufFrame& frame, const QRect& target,
                         const QRect& part, ImageTurn turn) {
    if (target.isEmpty()) {
        Hide();
        return;
    }
    Wrapped& wrapped = WrapperFor(stream, frame);
    waiting_.reset();
    switch (wrapped.import->Current()) {
        case DmaBufImport::State::Created:
            Present(stream, wrapped, frame.size, frame.crop, target, part, turn);
            break;
        case DmaBufImport::State::Pending:
            waiting_ = Waiting{frame, target, part, turn};
            wl_display_flush(globals_.Display());
            break;
        case DmaBufImport::State::Failed:
            break;
    }
}

void HandedOnImage::Show(PipeWireStream& stream, const ShmFrame& frame, const QRect& target,
                         const QRect& part, ImageTurn turn) {
    if (target.isEmpty()) {
        Hide();
        return;
    }
    Present(stream, WrapperFor(frame), frame.size, frame.crop, target, part, turn);
}

void HandedOnImage::Present(PipeWireStream& stream, Wrapped& wrapped, QSize size, const QRect& crop,
                            const QRect& target, const QRect& part, ImageTurn turn) {
    if (target != target_) {
        target_ = target;
        wl_subsurface_set_position(subsurface_, target.x(), target.y());
        CommitParent();
    }
    // The part lies inside the frame's own crop, and within the buffer whatever it says.
    const QRect window = crop.intersected(QRect(QPoint(0, 0), size));
    QRect source = part.translated(window.topLeft()).intersected(window);
    if (source.isEmpty()) {
        source = window;
    }
    if (source.isEmpty()) {
        return;
    }
    shown_ = source.translated(-window.topLeft());
    turn_ = turn;
    wl_surface_attach(surface_, wrapped.buffer, 0, 0);
    SetFraming(TurnedRect(source, size, turn), target.size(), turn);
    wl_surface_damage_buffer(surface_, 0, 0, INT32_MAX, INT32_MAX);
    wl_surface_commit(surface_);
    if (!wrapped.busy) {
        wrapped.busy = true;
        wrapped.stream = &stream;
        stream.HoldBuffer(wrapped.key);
    }
    ++attached_;
    wl_display_flush(globals_.Display());
}

void HandedOnImage::SetFraming(const QRect& source, QSize destination, ImageTurn turn) {
    // Surface state stays until changed: only a change is sent (a frame alone is a new buffer).
    if (turn != sent_.turn) {
        wl_surface_set_buffer_transform(surface_, DeclaredTransform(turn));
    }
    if (source != sent_.source) {
        wp_viewport_set_source(viewport_, wl_fixed_from_int(source.x()),
                               wl_fixed_from_int(source.y()), wl_fixed_from_int(source.width()),
                               wl_fixed_from_int(source.height()));
    }
    if (destination != sent_.destination) {
        wp_viewport_set_destination(viewport_, destination.width(), destination.height());
    }
    sent_ = {source, destination, turn};
}

void HandedOnImage::Hide() {
    target_ = QRect();
    waiting_.reset();
    wl_surface_attach(surface_, nullptr, 0, 0);
    wl_surface_commit(surface_);
    wl_display_flush(globals_.Display());
}

void HandedOnImage::OnRelease(Wrapped& wrapped) {
    if (std::exchange(wrapped.busy, false) && wrapped.stream != nullptr) {
        wrapped.stream->ReleaseBuffer(wrapped.key);
    }
}

void HandedOnImage::Drop(Wrapped& wrapped) {
    if (std::exchange(wrapped.busy, false) && wrapped.stream != nullptr) {
        wrapped.stream->ReleaseBuffer(wrapped.key);
    }
    if (wrapped.import) {
        wrapped.import.reset();  // its wl_buffer with it
        return;
    }
    wl_buffer_destroy(wrapped.buffer);
    wl_shm_pool_destroy(wrapped.pool);
}

void HandedOnImage::Forget(BufferLedger::Key key) {
    const auto found = buffers_.find(key);
    if (found != buffers_.end()) {
        // The stream forgets the buffer itself; nothing is given back.
        found->second->busy = false;
        Drop(*found->second);
        buffers_.erase(found);
        if (waiting_ && waiting_->frame.key == key) {
            waiting_.reset();
        }
    }
}

void HandedOnImage::Detach(PipeWireStream& stream) {
    for (auto& [key, wrapped] : buffers_) {
        if (wrapped->stream == &stream) {
            wrapped->busy = false;
            wrapped->stream = nullptr;
        }
    }
}

void HandedOnImage::ShowPointer(const StreamPointer& pointer, bool shown) {
    pointerShown_ = shown;
    const QRect place =
        shown && !target_.isEmpty()
            ? PointerPlacementOnPart(pointer, shown_, turn_, QRect(QPoint(0, 0), target_.size()))
            : QRect();
    if (place.isEmpty()) {
        if (!pointerRect_.isEmpty()) {
            pointerRect_ = QRect();
            wl_surface_attach(pointerSurface_, nullptr, 0, 0);
            wl_surface_commit(pointerSurface_);
            wl_display_flush(globals_.Display());
        }
        return;
    }
    if (pointer.shape.cacheKey() != pointerShapeKey_ || pointerBuffer_ == nullptr) {
        if (pointerBuffer_ != nullptr) {
            wl_buffer_destroy(pointerBuffer_);
        }
        pointerBuffer_ = ShapeBuffer(globals_.Shm(), pointer.shape);
        pointerShapeKey_ = pointer.shape.cacheKey();
        pointerRect_ = QRect();  // attach the new shape
    }
    if (pointerBuffer_ == nullptr || (place == pointerRect_ && turn_ == pointerTurn_)) {
        return;
    }
    // The shape turns with the image: the same buffer transform as the image's.
    const bool turned = turn_ != pointerTurn_;
    const bool attach = pointerRect_.isEmpty() || place.size() != pointerRect_.size() || turned;
    pointerRect_ = place;
    wl_subsurface_set_position(pointerSubsurface_, place.x(), place.y());
    if (attach) {
        if (turned) {
            pointerTurn_ = turn_;
            wl_surface_set_buffer_transform(pointerSurface_, DeclaredTransform(turn_));
        }
        wl_surface_attach(pointerSurface_, pointerBuffer_, 0, 0);
        wp_viewport_set_destination(pointerViewport_, place.width(), place.height());
        wl_surface_damage_buffer(pointerSurface_, 0, 0, INT32_MAX, INT32_MAX);
        wl_surface_commit(pointerSurface_);
    }
    // The position is state of the image's surface: committing it attaches nothing new.
    wl_surface_commit(surface_);
    wl_display_flush(globals_.Display());
}

void HandedOnImage::CommitParent() {
    wl_surface_commit(parent_);
}
