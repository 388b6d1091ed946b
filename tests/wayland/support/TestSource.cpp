// A PipeWire video source for the tests: BGRx frames of four known colours (red, green,
// blue and yellow quadrants), driven by its own timer. Each frame carries its number in the
// unused X bytes of its first four pixels (FrameMark), invisible in the picture. It prints "node
// <id>" once PipeWire has given it a node and runs until it is terminated, which ends the stream.
//
//   vantrel_test_source [--width W] [--height H] [--fps F] [--crop X,Y,W,H]
//                       [--pointer X,Y] [--pointer-hidden] [--pointer-moves-to X,Y]
//                       [--pointer-wanders]
//
// --pointer sends a cursor meta with the hotspot at X,Y of the visible area (its shape only
// in the first buffer, as real producers do); --pointer-hidden sends metas saying there is
// no pointer; --pointer-moves-to makes every buffer after the fifth a pointer-only one (an
// empty picture) with the pointer at X,Y. --pointer-wanders makes every second buffer a
// pointer-only one, the pointer (its shape in every buffer) moving right by a pixel a buffer.
//
// A line "size W H" on standard input resizes the window as a desktop's producer does: the
// stream offers only the new size, PipeWire negotiates it again with the consumer, and the
// frames have the new size from the new format on.
#include <QCoreApplication>
#include <QPoint>
#include <QRect>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include <unistd.h>

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include "platform/wayland/PipeWireLoop.h"
#include "tests/wayland/support/TestPattern.h"

namespace {

struct SourceOptions {
    int width = 640;
    int height = 480;
    int fps = 30;
    QRect crop;
    std::optional<QPoint> pointer;
    bool pointerHidden = false;
    bool pointerWanders = false;
    std::optional<QPoint> pointerMovesTo;
};

QPoint ParsePoint(const QString& value) {
    const QStringList parts = value.split(u',');
    return parts.size() == 2 ? QPoint(parts[0].toInt(), parts[1].toInt()) : QPoint();
}

SourceOptions ParseOptions(const QStringList& arguments) {
    SourceOptions options;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--pointer-hidden")) {
            options.pointerHidden = true;
        }
        if (arguments[i] == QLatin1String("--pointer-wanders")) {
            options.pointerWanders = true;
        }
    }
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        const QString& name = arguments[i];
        if (name == QLatin1String("--pointer-hidden") ||
            name == QLatin1String("--pointer-wanders")) {
            --i;
            continue;
        }
        const QString& value = arguments[i + 1];
        if (name == QLatin1String("--width")) {
            options.width = value.toInt();
        } else if (name == QLatin1String("--height")) {
            options.height = value.toInt();
        } else if (name == QLatin1String("--fps")) {
            options.fps = value.toInt();
        } else if (name == QLatin1String("--pointer")) {
            options.pointer = ParsePoint(value);
        } else if (name == QLatin1String("--pointer-moves-to")) {
            options.pointerMovesTo = ParsePoint(value);
        } else if (name == QLatin1String("--crop")) {
            const QStringList parts = value.split(u',');
            if (parts.size() == 4) {
                options.crop =
                    QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
            }
        }
    }
    return options;
}

class Source {
  public:
    Source(PipeWireLoop& loop, SourceOptions options)
        : options_(options), input_(0, QSocketNotifier::Read) {
        PaintPattern();
        core_ = pw_context_connect(loop.Context(), nullptr, 0);
        if (core_ == nullptr) {
            return;
        }
        stream_ =
            pw_stream_new(core_, "vantrel-test-source",
                          pw_properties_new(PW_KEY_MEDIA_CLASS, "Video/Source", PW_KEY_MEDIA_TYPE,
                                            "Video", PW_KEY_MEDIA_CATEGORY, "Source", nullptr));
        static const pw_stream_events events = [] {
            pw_stream_events e{};
            e.version = PW_VERSION_STREAM_EVENTS;
            e.param_changed = [](void* data, std::uint32_t id, const spa_pod* param) {
                if (param != nullptr && id == SPA_PARAM_Format) {
                    static_cast<Source*>(data)->OnFormat(param);
                }
            };
            e.process = [](void* data) { static_cast<Source*>(data)->Fill(); };
            e.state_changed = [](void* data, pw_stream_state, pw_stream_state state, const char*) {
                static_cast<Source*>(data)->OnState(state);
            };
            return e;
        }();
        pw_stream_add_listener(stream_, &listener_, &events, this);
        std::uint8_t storage[1024];
        spa_pod_builder builder{};
        spa_pod_builder_init(&builder, storage, sizeof(storage));
        const spa_pod* params[1] = {FormatOffer(builder, options_.width, options_.height)};
        pw_stream_connect(
            stream_, PW_DIRECTION_OUTPUT, PW_ID_ANY,
            static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS),
            params, 1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { pw_stream_trigger_process(stream_); });
        QObject::connect(&input_, &QSocketNotifier::activated, [this] { ReadCommand(); });
    }
    ~Source() {
        if (stream_ != nullptr) {
            pw_stream_destroy(stream_);
        }
        if (core_ != nullptr) {
            pw_core_disconnect(core_);
        }
    }

  private:
    const spa_pod* FormatOffer(spa_pod_builder& builder, int width, int height) const {
        spa_rectangle size{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
        spa_fraction rate{static_cast<std::uint32_t>(options_.fps), 1};
        return static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
            SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
            SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
            SPA_POD_Id(SPA_VIDEO_FORMAT_BGRx), SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&size),
            SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&rate)));
    }

    void PaintPattern() {
        pattern_.assign(static_cast<std::size_t>(options_.width) * 4 * options_.height, 0);
        PaintTestPattern(pattern_.data(), options_.width, options_.height, options_.width * 4,
                         options_.crop);
    }

    // The negotiated format decides the frames' size: until it comes, frames keep the old one.
    void OnFormat(const spa_pod* param) {
        spa_video_info_raw info{};
        if (spa_format_video_raw_parse(param, &info) >= 0 &&
            (static_cast<int>(info.size.width) != options_.width ||
             static_cast<int>(info.size.height) != options_.height)) {
            options_.width = static_cast<int>(info.size.width);
            options_.height = static_cast<int>(info.size.height);
            PaintPattern();
        }
        OfferBuffers();
    }

    // "size W H": offers only that size from now on, which makes PipeWire renegotiate.
    void ReadCommand() {
        char text[128];
        const ssize_t length = ::read(0, text, sizeof(text) - 1);
        if (length <= 0) {
            input_.setEnabled(false);
            return;
        }
        const QStringList words = QString::fromUtf8(text, length).simplified().split(u' ');
        if (words.size() != 3 || words[0] != QLatin1String("size") || words[1].toInt() <= 0 ||
            words[2].toInt() <= 0) {
            return;
        }
        std::uint8_t storage[1024];
        spa_pod_builder builder{};
        spa_pod_builder_init(&builder, storage, sizeof(storage));
        const spa_pod* params[1] = {FormatOffer(builder, words[1].toInt(), words[2].toInt())};
        pw_stream_update_params(stream_, params, 1);
    }

    void OfferBuffers() {
        std::uint8_t storage[512];
        spa_pod_builder builder{};
        spa_pod_builder_init(&builder, storage, sizeof(storage));
        const int stride = options_.width * 4;
        const spa_pod* params[3];
        params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
            SPA_POD_CHOICE_RANGE_Int(4, 2, 8), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
            SPA_PARAM_BUFFERS_size, SPA_POD_Int(stride * options_.height), SPA_PARAM_BUFFERS_stride,
            SPA_POD_Int(stride), SPA_PARAM_BUFFERS_dataType,
            SPA_POD_CHOICE_FLAGS_Int(1 << SPA_DATA_MemFd)));
        params[1] = static_cast<const spa_pod*>(
            spa_pod_builder_add_object(&builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta,
                                       SPA_PARAM_META_type, SPA_POD_Id(SPA_META_VideoCrop),
                                       SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_region))));
        params[2] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
            SPA_POD_Id(SPA_META_Cursor), SPA_PARAM_META_size, SPA_POD_Int(kPointerMetaSize)));
        pw_stream_update_params(stream_, params, 3);
    }

    void OnState(pw_stream_state state) {
        if (state == PW_STREAM_STATE_PAUSED && !announced_) {
            const std::uint32_t node = pw_stream_get_node_id(stream_);
            if (node != SPA_ID_INVALID) {
                announced_ = true;
                std::printf("node %u\n", node);
                std::fflush(stdout);
            }
        }
        if (state == PW_STREAM_STATE_STREAMING) {
            timer_.start(1000 / std::max(1, options_.fps));
        } else {
            timer_.stop();
        }
    }

    void Fill() {
        pw_buffer* buffer = pw_stream_dequeue_buffer(stream_);
        if (buffer == nullptr) {
            return;
        }
        ++filled_;
        WritePointer(buffer->buffer);
        spa_data& plane = buffer->buffer->datas[0];
        if ((options_.pointerMovesTo && filled_ > kFramesBeforePointerOnly) ||
            (options_.pointerWanders && filled_ % 2 == 0)) {
            plane.chunk->size = 0;
        } else if (plane.data != nullptr) {
            const int stride = options_.width * 4;
            std::memcpy(plane.data, pattern_.data(),
                        std::min<std::size_t>(pattern_.size(), plane.maxsize));
            WriteFrameMark(static_cast<std::uint8_t*>(plane.data),
                           static_cast<std::uint32_t>(filled_));
            plane.chunk->offset = 0;
            plane.chunk->stride = stride;
            plane.chunk->size = static_cast<std::uint32_t>(stride * options_.height);
            auto* crop = static_cast<spa_meta_region*>(spa_buffer_find_meta_data(
                buffer->buffer, SPA_META_VideoCrop, sizeof(spa_meta_region)));
            if (crop != nullptr) {
                const QRect area = options_.crop.isEmpty()
                                       ? QRect(0, 0, options_.width, options_.height)
                                       : options_.crop;
                crop->region.position.x = area.x();
                crop->region.position.y = area.y();
                crop->region.size.width = static_cast<std::uint32_t>(area.width());
                crop->region.size.height = static_cast<std::uint32_t>(area.height());
            }
        }
        pw_stream_queue_buffer(stream_, buffer);
    }

    // The cursor meta, when the buffer has one: the shape in the first buffer only.
    void WritePointer(spa_buffer* buffer) {
        auto* cursor = static_cast<spa_meta_cursor*>(
            spa_buffer_find_meta_data(buffer, SPA_META_Cursor, kPointerMetaSize));
        if (cursor == nullptr || (!options_.pointer && !options_.pointerHidden)) {
            return;
        }
        std::memset(cursor, 0, sizeof(*cursor));
        if (options_.pointerHidden) {
            return;
        }
        QPoint at = *options_.pointer;
        if (options_.pointerMovesTo && filled_ > kFramesBeforePointerOnly) {
            at = *options_.pointerMovesTo;
        }
        if (options_.pointerWanders) {
            at.rx() += filled_ % 50;
        }
        cursor->id = 1;
        cursor->position = {at.x(), at.y()};
        cursor->hotspot = {kPointerHotspot, kPointerHotspot};
        if (filled_ == 1 || options_.pointerWanders) {
            cursor->bitmap_offset = sizeof(spa_meta_cursor);
            auto* bitmap = SPA_PTROFF(cursor, cursor->bitmap_offset, spa_meta_bitmap);
            bitmap->format = SPA_VIDEO_FORMAT_BGRA;
            bitmap->size = {kPointerSide, kPointerSide};
            bitmap->stride = kPointerSide * 4;
            bitmap->offset = sizeof(spa_meta_bitmap);
            auto* pixels = SPA_PTROFF(bitmap, bitmap->offset, std::uint32_t);
            std::fill_n(pixels, kPointerSide * kPointerSide, kPointerColour.rgba());
        }
    }

    static constexpr int kFramesBeforePointerOnly = 5;
    static constexpr std::uint32_t kPointerMetaSize =
        sizeof(spa_meta_cursor) + sizeof(spa_meta_bitmap) + kPointerSide * kPointerSide * 4;

    SourceOptions options_;
    int filled_ = 0;
    std::vector<std::uint8_t> pattern_;
    pw_core* core_ = nullptr;
    pw_stream* stream_ = nullptr;
    spa_hook listener_{};
    QTimer timer_;
    QSocketNotifier input_;
    bool announced_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::signal(SIGTERM, [](int) { QCoreApplication::quit(); });
    PipeWireLoop loop;
    if (!loop.Valid()) {
        std::fprintf(stderr, "vantrel_test_source: no PipeWire\n");
        return 1;
    }
    Source source(loop, ParseOptions(app.arguments()));
    return app.exec();
}
