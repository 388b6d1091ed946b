#include "platform/wayland/PipeWireStream.h"

#include <QMetaObject>

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include "platform/wayland/BufferContents.h"
#include "platform/wayland/FrameLayout.h"
#include "platform/wayland/MemFdPlace.h"
#include "platform/wayland/PipeWireLoop.h"
#include "platform/wayland/StreamParams.h"

struct PipeWireStream::Handles {
    pw_core* core = nullptr;
    pw_registry* registry = nullptr;
    pw_stream* stream = nullptr;
    spa_hook coreListener{};
    spa_hook registryListener{};
    spa_hook streamListener{};
};

struct PipeWireStream::Callbacks {
    static void Process(void* data) { static_cast<PipeWireStream*>(data)->OnProcess(); }
    static void StateChanged(void* data, pw_stream_state, pw_stream_state state,
                             const char* error) {
        static_cast<PipeWireStream*>(data)->OnStreamState(state, error);
    }
    static void ParamChanged(void* data, std::uint32_t id, const spa_pod* param) {
        if (param == nullptr || id != SPA_PARAM_Format) {
            return;
        }
        spa_video_info_raw info{};
        if (spa_format_video_raw_parse(param, &info) < 0) {
            return;
        }
        const bool dmaBuf = spa_pod_find_prop(param, nullptr, SPA_FORMAT_VIDEO_modifier) != nullptr;
        static_cast<PipeWireStream*>(data)->OnFormat(
            info.format,
            QSize(static_cast<int>(info.size.width), static_cast<int>(info.size.height)),
            dmaBuf ? std::optional(info.modifier) : std::nullopt);
    }
    static void AddBuffer(void* data, pw_buffer* buffer) {
        static_cast<PipeWireStream*>(data)->OnBufferAdded(buffer);
    }
    static void RemoveBuffer(void* data, pw_buffer* buffer) {
        static_cast<PipeWireStream*>(data)->OnBufferRemoved(buffer);
    }
    static void GlobalRemoved(void* data, std::uint32_t id) {
        static_cast<PipeWireStream*>(data)->OnGlobalRemoved(id);
    }
    static void CoreError(void* data, std::uint32_t id, int, int, const char* message) {
        if (id == PW_ID_CORE) {
            static_cast<PipeWireStream*>(data)->End(QString::fromUtf8(message));
        }
    }
};

namespace {

pw_stream_events StreamEvents() {
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.state_changed = PipeWireStream::Callbacks::StateChanged;
    events.param_changed = PipeWireStream::Callbacks::ParamChanged;
    events.process = PipeWireStream::Callbacks::Process;
    events.add_buffer = PipeWireStream::Callbacks::AddBuffer;
    events.remove_buffer = PipeWireStream::Callbacks::RemoveBuffer;
    return events;
}

pw_registry_events RegistryEvents() {
    pw_registry_events events{};
    events.version = PW_VERSION_REGISTRY_EVENTS;
    events.global_remove = PipeWireStream::Callbacks::GlobalRemoved;
    return events;
}

pw_core_events CoreEvents() {
    pw_core_events events{};
    events.version = PW_VERSION_CORE_EVENTS;
    events.error = PipeWireStream::Callbacks::CoreError;
    return events;
}

const pw_stream_events kStreamEvents = StreamEvents();
const pw_registry_events kRegistryEvents = RegistryEvents();
const pw_core_events kCoreEvents = CoreEvents();

}  // namespace

PipeWireStream::PipeWireStream(PipeWireLoop& loop, int fd, std::uint32_t nodeId, DmaBufOffer dmaBuf)
    : loop_(loop),
      handles_(std::make_unique<Handles>()),
      nodeId_(nodeId),
      dmaBuf_(std::move(dmaBuf)) {
    if (!loop.Valid()) {
        End(QStringLiteral("PipeWire is not available"));
        return;
    }
    handles_->core = fd >= 0 ? pw_context_connect_fd(loop.Context(), fd, nullptr, 0)
                             : pw_context_connect(loop.Context(), nullptr, 0);
    if (handles_->core == nullptr) {
        End(QStringLiteral("cannot connect to PipeWire"));
        return;
    }
    pw_core_add_listener(handles_->core, &handles_->coreListener, &kCoreEvents, this);
    handles_->registry = pw_core_get_registry(handles_->core, PW_VERSION_REGISTRY, 0);
    pw_registry_add_listener(handles_->registry, &handles_->registryListener, &kRegistryEvents,
                             this);
    handles_->stream =
        pw_stream_new(handles_->core, "Vantrel clone",
                      pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                        "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    pw_stream_add_listener(handles_->stream, &handles_->streamListener, &kStreamEvents, this);
    std::uint8_t storage[8192];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, storage, sizeof(storage));
    std::vector<const spa_pod*> params = FormatOffers(builder, dmaBuf_);
    const auto flags = static_cast<pw_stream_flags>(
        PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_DONT_RECONNECT);
    if (pw_stream_connect(handles_->stream, PW_DIRECTION_INPUT, nodeId, flags, params.data(),
                          static_cast<std::uint32_t>(params.size())) < 0) {
        End(QStringLiteral("cannot connect the video stream"));
    }
    loop_.Iterate();
}

PipeWireStream::~PipeWireStream() {
    frame_ = QImage();
    if (handles_->stream != nullptr) {
        // The end the disconnection reports is ours, not the source's. Destroying the stream
        // returns the buffer we still hold.
        ended_ = true;
        pw_stream_disconnect(handles_->stream);
        spa_hook_remove(&handles_->streamListener);
        pw_stream_destroy(handles_->stream);
    }
    if (handles_->registry != nullptr) {
        spa_hook_remove(&handles_->registryListener);
        pw_proxy_destroy(reinterpret_cast<pw_proxy*>(handles_->registry));
    }
    if (handles_->core != nullptr) {
        spa_hook_remove(&handles_->coreListener);
        pw_core_disconnect(handles_->core);
    }
}

std::optional<bool> PipeWireStream::DmaBufNegotiated() const {
    return formatKnown_ ? std::optional(modifier_.has_value()) : std::nullopt;
}

QSize PipeWireStream::SourceSize() const {
    return pictureSize_.isEmpty() ? videoSize_ : pictureSize_;
}

void PipeWireStream::OnFormat(std::uint32_t videoFormat, QSize size,
                              std::optional<std::uint64_t> modifier) {
    videoFormat_ = videoFormat;
    formatKnown_ = true;
    modifier_ = modifier;
    if (size != videoSize_) {
        videoSize_ = size;
        emit SizeChanged(size);
    }
    std::uint8_t storage[1024];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, storage, sizeof(storage));
    std::vector<const spa_pod*> params = BufferParams(builder, modifier.has_value());
    pw_stream_update_params(handles_->stream, params.data(),
                            static_cast<std::uint32_t>(params.size()));
}

void PipeWireStream::RefuseDmaBuf(std::uint32_t videoFormat, std::uint64_t modifier) {
    if (dmaBuf_.Refuse(videoFormat, modifier)) {
        qWarning(
            "vantrel: the compositor cannot import DMA-BUF frames with modifier %#llx; "
            "asking the source for %s",
            static_cast<unsigned long long>(modifier),
            dmaBuf_.Empty() ? "shared memory" : "another layout");
        Renegotiate();
    }
}

void PipeWireStream::RefuseAllDmaBuf() {
    if (dmaBuf_.RefuseAll()) {
        Renegotiate();
    }
}

void PipeWireStream::Renegotiate() {
    // From the event loop, never inside a PipeWire callback or a frame's delivery.
    if (!std::exchange(renegotiating_, true)) {
        QMetaObject::invokeMethod(this, &PipeWireStream::OfferFormats, Qt::QueuedConnection);
    }
}

void PipeWireStream::OfferFormats() {
    renegotiating_ = false;
    if (handles_->stream == nullptr || ended_) {
        return;
    }
    std::uint8_t storage[8192];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, storage, sizeof(storage));
    std::vector<const spa_pod*> params = FormatOffers(builder, dmaBuf_);
    pw_stream_update_params(handles_->stream, params.data(),
                            static_cast<std::uint32_t>(params.size()));
}

void PipeWireStream::OnProcess() {
    pw_buffer* newest = nullptr;
    bool pointerMoved = false;
    while (pw_buffer* buffer = pw_stream_dequeue_buffer(handles_->stream)) {
        // Every buffer may move the pointer, also those without a picture.
        pointerMoved |= ReadPointerMeta(
            spa_buffer_find_meta_data(buffer->buffer, SPA_META_Cursor, sizeof(spa_meta_cursor)),
            PointerMetaBytes(buffer->buffer), SourceSize(), pointer_);
        if (!HasPicture(buffer)) {
            pw_stream_queue_buffer(handles_->stream, buffer);
            continue;
        }
        if (newest != nullptr) {
            pw_stream_queue_buffer(handles_->stream, newest);
        }
        newest = buffer;
    }
    if (newest != nullptr) {
        TakeBuffer(newest);
    } else if (pointerMoved) {
        emit PointerChanged();
    }
}

void PipeWireStream::TakeDmaBuf(pw_buffer* buffer) {
    const QRect whole(QPoint(0, 0), videoSize_);
    const std::optional<QRect> crop = CropOf(buffer->buffer);
    const QRect window = crop ? crop->intersected(whole) : whole;
    if (window.isEmpty() || !modifier_) {
        pw_stream_queue_buffer(handles_->stream, buffer);
        return;
    }
    KeepNewest(buffer, window, QImage());
}

void PipeWireStream::KeepNewest(pw_buffer* buffer, const QRect& crop, const QImage& picture) {
    const QSize before = SourceSize();
    frame_ = QImage();  // it may point into the buffer given back
    if (const std::optional<BufferLedger::Key> back = ledger_.SetNewest(buffer)) {
        GiveBack(*back);
    }
    newestCrop_ = crop;
    frame_ = picture;
    pictureSize_ = crop.size();
    ++framesReceived_;
    if (pictureSize_ != before) {
        emit SizeChanged(pictureSize_);
    }
    emit FrameArrived();
}

void PipeWireStream::TakeBuffer(pw_buffer* buffer) {
    if (IsDmaBuf(buffer)) {
        TakeDmaBuf(buffer);
        return;
    }
    const spa_data& plane = buffer->buffer->datas[0];
    ChunkFacts facts;
    facts.bufferSize = videoSize_;
    facts.chunkStride = plane.chunk->stride;
    facts.chunkOffset = plane.chunk->offset;
    facts.chunkSize = plane.chunk->size;
    facts.mappedSize = plane.maxsize;
    facts.crop = CropOf(buffer->buffer);
    const std::optional<FrameRegion> region = VisibleRegion(facts);
    const QImage::Format format = ImageFormatForVideoFormat(videoFormat_);
    if (!region || format == QImage::Format_Invalid) {
        pw_stream_queue_buffer(handles_->stream, buffer);
        return;
    }
    const int left = static_cast<int>((region->offset - facts.chunkOffset) % region->stride) / 4;
    const int top = static_cast<int>((region->offset - facts.chunkOffset) / region->stride);
    KeepNewest(buffer, QRect(QPoint(left, top), region->size),
               QImage(static_cast<const uchar*>(plane.data) + region->offset, region->size.width(),
                      region->size.height(), region->stride, format));
}

std::optional<ShmFrame> PipeWireStream::NewestShm() const {
    const auto* buffer = static_cast<const pw_buffer*>(ledger_.Newest());
    if (buffer == nullptr || frame_.isNull()) {
        return std::nullopt;
    }
    const auto place = places_.find(buffer);
    if (place == places_.end() || !place->second) {
        return std::nullopt;
    }
    const spa_data& plane = buffer->buffer->datas[0];
    ShmFrame shm;
    shm.key = buffer;
    shm.fd = place->second->fd;
    shm.poolSize = place->second->fileSize;
    shm.offset = place->second->dataOffset + plane.chunk->offset;
    const std::size_t end =
        shm.offset + static_cast<std::size_t>(frame_.bytesPerLine()) * videoSize_.height();
    if (end > shm.poolSize) {
        return std::nullopt;  // the rows the producer claims are not all in the file
    }
    shm.stride = frame_.bytesPerLine();
    shm.size = videoSize_;
    shm.crop = newestCrop_;
    shm.videoFormat = videoFormat_;
    return shm;
}

std::optional<DmaBufFrame> PipeWireStream::NewestDmaBuf() const {
    const auto* buffer = static_cast<const pw_buffer*>(ledger_.Newest());
    if (buffer == nullptr || !IsDmaBuf(buffer) || !modifier_) {
        return std::nullopt;
    }
    DmaBufFrame dmaBuf;
    dmaBuf.key = buffer;
    dmaBuf.planes = DmaBufPlanes(buffer);
    dmaBuf.size = videoSize_;
    dmaBuf.crop = newestCrop_;
    dmaBuf.videoFormat = videoFormat_;
    dmaBuf.modifier = *modifier_;
    return dmaBuf;
}

void PipeWireStream::HoldBuffer(BufferLedger::Key key) {
    ledger_.Hold(key);
}

void PipeWireStream::ReleaseBuffer(BufferLedger::Key key) {
    if (ledger_.Release(key)) {
        GiveBack(key);
    }
}

void PipeWireStream::GiveBack(BufferLedger::Key key) {
    if (handles_->stream != nullptr && !ended_) {
        pw_stream_queue_buffer(handles_->stream, static_cast<pw_buffer*>(const_cast<void*>(key)));
    }
}

void PipeWireStream::OnBufferAdded(pw_buffer* buffer) {
    places_[buffer] = FindMemFdPlace(handles_->core, buffer);
}

void PipeWireStream::OnBufferRemoved(pw_buffer* buffer) {
    places_.erase(buffer);
    if (ledger_.Newest() == buffer) {
        frame_ = QImage();
        pictureSize_ = QSize();
    }
    ledger_.Forget(buffer);
    emit BufferRemoved(buffer);
}

void PipeWireStream::OnStreamState(int state, const char* error) {
    if (state == PW_STREAM_STATE_STREAMING) {
        streaming_ = true;
    } else if (state == PW_STREAM_STATE_ERROR) {
        End(QString::fromUtf8(error != nullptr ? error : "stream error"));
    } else if (state == PW_STREAM_STATE_UNCONNECTED && streaming_) {
        End(QStringLiteral("stream disconnected"));
    }
}

void PipeWireStream::OnGlobalRemoved(std::uint32_t id) {
    if (id == nodeId_) {
        End(QStringLiteral("the window's video node was removed"));
    }
}

void PipeWireStream::End(const QString& reason) {
    if (ended_) {
        return;
    }
    ended_ = true;
    QMetaObject::invokeMethod(
        this, [this, reason] { emit Ended(reason); }, Qt::QueuedConnection);
}
