#include "platform/wayland/PipeWireStream.h"

#include <QMetaObject>

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include "platform/wayland/FrameLayout.h"
#include "platform/wayland/PipeWireLoop.h"

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
        static_cast<PipeWireStream*>(data)->OnFormat(
            info.format,
            QSize(static_cast<int>(info.size.width), static_cast<int>(info.size.height)));
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

// Raw video in the 32-bit formats Qt draws directly, any size and rate.
const spa_pod* FormatOffer(spa_pod_builder& builder) {
    spa_rectangle defaultSize{1280, 720};
    spa_rectangle minSize{1, 1};
    spa_rectangle maxSize{16384, 16384};
    spa_fraction defaultRate{60, 1};
    spa_fraction minRate{0, 1};
    spa_fraction maxRate{1000, 1};
    return static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
        SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
        SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx,
                               SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBA),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defaultSize, &minSize, &maxSize),
        SPA_FORMAT_VIDEO_framerate,
        SPA_POD_CHOICE_RANGE_Fraction(&defaultRate, &minRate, &maxRate)));
}

// Shared-memory buffers (mapped by PipeWire) and the crop rectangle of each.
void RequestBuffers(pw_stream* stream) {
    std::uint8_t storage[512];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, storage, sizeof(storage));
    const spa_pod* params[2];
    params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(4, 2, 16), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
        SPA_PARAM_BUFFERS_dataType,
        SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
    params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
        SPA_POD_Id(SPA_META_VideoCrop), SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_region))));
    pw_stream_update_params(stream, params, 2);
}

bool HasPicture(const pw_buffer* buffer) {
    const spa_buffer* spa = buffer->buffer;
    if (spa->n_datas < 1 || spa->datas[0].data == nullptr || spa->datas[0].chunk == nullptr) {
        return false;
    }
    const spa_chunk* chunk = spa->datas[0].chunk;
    return chunk->size > 0 && (chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) == 0;
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

}  // namespace

PipeWireStream::PipeWireStream(PipeWireLoop& loop, int fd, std::uint32_t nodeId)
    : loop_(loop), handles_(std::make_unique<Handles>()), nodeId_(nodeId) {
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
    std::uint8_t storage[1024];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, storage, sizeof(storage));
    const spa_pod* params[1] = {FormatOffer(builder)};
    const auto flags = static_cast<pw_stream_flags>(
        PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_DONT_RECONNECT);
    if (pw_stream_connect(handles_->stream, PW_DIRECTION_INPUT, nodeId, flags, params, 1) < 0) {
        End(QStringLiteral("cannot connect the video stream"));
    }
    loop_.Iterate();
}

PipeWireStream::~PipeWireStream() {
    frame_ = QImage();
    if (handles_->stream != nullptr) {
        // Destroying the stream returns the buffer we still hold.
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

QSize PipeWireStream::SourceSize() const {
    return frame_.isNull() ? videoSize_ : frame_.size();
}

void PipeWireStream::OnFormat(std::uint32_t videoFormat, QSize size) {
    videoFormat_ = videoFormat;
    if (size != videoSize_) {
        videoSize_ = size;
        emit SizeChanged(size);
    }
    RequestBuffers(handles_->stream);
}

void PipeWireStream::OnProcess() {
    pw_buffer* newest = nullptr;
    while (pw_buffer* buffer = pw_stream_dequeue_buffer(handles_->stream)) {
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
    }
}

void PipeWireStream::TakeBuffer(pw_buffer* buffer) {
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
    const QSize before = SourceSize();
    ReleaseHeld();
    held_ = buffer;
    frame_ = QImage(static_cast<const uchar*>(plane.data) + region->offset, region->size.width(),
                    region->size.height(), region->stride, format);
    ++framesReceived_;
    if (frame_.size() != before) {
        emit SizeChanged(frame_.size());
    }
    emit FrameArrived();
}

void PipeWireStream::ReleaseHeld() {
    frame_ = QImage();
    if (held_ != nullptr) {
        pw_stream_queue_buffer(handles_->stream, held_);
        held_ = nullptr;
    }
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
