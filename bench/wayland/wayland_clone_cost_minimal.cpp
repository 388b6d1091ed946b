// The benchmark's minimal pass-through client on Wayland, the floor a clone is measured
// against: it takes the window's PipeWire stream and hands each buffer to the compositor as
// it is, a wl_buffer of a wl_shm pool on the buffer's memfd, attached to a desynchronised
// subsurface whose wp_viewport scales it into the target rectangle of a black full-screen
// toplevel. It touches no pixel; a buffer goes back to the stream when the compositor
// releases it. Nothing else: no toolkit, one poll() loop (the program's lookup of a buffer's
// file, once per buffer, is the only code it shares with the program).
//   wayland_clone_cost_minimal <node id> <x> <y> <width> <height>
// Prints "ready" once its toplevel is configured; each line "count" on standard input is
// answered with "count <frames received> <frames presented>", presented counting the
// distinct times of the frame callbacks asked with its commits (frames the compositor
// drew, not buffers attached); "callbacks 0" stops asking for them, "callbacks 1" resumes.
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cinttypes>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>
#include <wayland-client.h>

#include "platform/wayland/MemFdPlace.h"
#include "viewporter-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

struct Client;

// One PipeWire buffer as the compositor sees it.
struct Wrapped {
    Client* client = nullptr;
    pw_buffer* buffer = nullptr;
    wl_shm_pool* pool = nullptr;
    wl_buffer* wl = nullptr;
};

struct Client {
    int x = 0, y = 0, width = 0, height = 0;  // the target rectangle
    wl_display* display = nullptr;
    wl_compositor* compositor = nullptr;
    wl_subcompositor* subcompositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* shell = nullptr;
    wp_viewporter* viewporter = nullptr;
    wl_surface* window = nullptr;
    wl_surface* image = nullptr;
    bool configured = false;
    int outputWidth = 1280, outputHeight = 720;  // the full-screen size sway configures

    pw_loop* loop = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_hook listener{};
    int videoWidth = 0, videoHeight = 0;
    std::map<pw_buffer*, std::unique_ptr<Wrapped>> buffers;

    std::uint64_t received = 0;
    std::uint64_t presented = 0;
    bool asking = true;                 // frame callbacks asked with each commit
    std::uint32_t lastPresentedAt = 0;  // ms, of the last frame callback counted
};

void OnRelease(void* data, wl_buffer*) {
    auto* wrapped = static_cast<Wrapped*>(data);
    pw_stream_queue_buffer(wrapped->client->stream, wrapped->buffer);
}
const wl_buffer_listener kBufferListener{OnRelease};

// A wl_buffer on the memfd that holds the frame's bytes; null where no file holds them.
void Wrap(Client& c, Wrapped& w) {
    const std::optional<MemFdPlace> place = FindMemFdPlace(c.core, w.buffer);
    if (!place) {
        return;
    }
    const spa_data& plane = w.buffer->buffer->datas[0];
    const int stride = plane.chunk->stride > 0 ? plane.chunk->stride : c.videoWidth * 4;
    const std::size_t first = place->dataOffset + plane.chunk->offset;
    // The compositor ends a client whose buffer reaches past its pool: such frames are skipped.
    if (place->fileSize > INT32_MAX ||
        first + static_cast<std::size_t>(stride) * c.videoHeight > place->fileSize) {
        return;
    }
    w.pool = wl_shm_create_pool(c.shm, place->fd, static_cast<std::int32_t>(place->fileSize));
    w.wl = wl_shm_pool_create_buffer(w.pool, static_cast<std::int32_t>(first), c.videoWidth,
                                     c.videoHeight, stride, WL_SHM_FORMAT_XRGB8888);
    wl_buffer_add_listener(w.wl, &kBufferListener, &w);
}

// Callbacks asked with commits that one repaint drew share its time: they count once.
const wl_callback_listener kFrameListener{
    [](void* data, wl_callback* callback, std::uint32_t milliseconds) {
        auto& c = *static_cast<Client*>(data);
        if (milliseconds != c.lastPresentedAt) {
            c.lastPresentedAt = milliseconds;
            ++c.presented;
        }
        wl_callback_destroy(callback);
    }};

void OnProcess(void* data) {
    auto& c = *static_cast<Client*>(data);
    pw_buffer* newest = nullptr;
    while (pw_buffer* buffer = pw_stream_dequeue_buffer(c.stream)) {
        const spa_data& plane = buffer->buffer->datas[0];
        if (plane.chunk == nullptr || plane.chunk->size == 0) {
            pw_stream_queue_buffer(c.stream, buffer);
            continue;
        }
        if (newest != nullptr) {
            pw_stream_queue_buffer(c.stream, newest);
        }
        newest = buffer;
    }
    if (newest == nullptr) {
        return;
    }
    ++c.received;
    Wrapped& w = *c.buffers[newest];
    if (w.wl == nullptr) {
        Wrap(c, w);
    }
    if (w.wl == nullptr) {
        pw_stream_queue_buffer(c.stream, newest);
        return;
    }
    wl_surface_attach(c.image, w.wl, 0, 0);
    wl_surface_damage_buffer(c.image, 0, 0, INT32_MAX, INT32_MAX);
    if (c.asking) {
        wl_callback_add_listener(wl_surface_frame(c.image), &kFrameListener, &c);
    }
    wl_surface_commit(c.image);
    wl_display_flush(c.display);
}

void OnFormat(void* data, std::uint32_t id, const spa_pod* param) {
    auto& c = *static_cast<Client*>(data);
    spa_video_info_raw info{};
    if (param == nullptr || id != SPA_PARAM_Format ||
        spa_format_video_raw_parse(param, &info) < 0) {
        return;
    }
    c.videoWidth = static_cast<int>(info.size.width);
    c.videoHeight = static_cast<int>(info.size.height);
    std::uint8_t storage[256];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, storage, sizeof(storage));
    const spa_pod* buffers = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(8, 4, 16), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
        SPA_PARAM_BUFFERS_dataType,
        SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
    pw_stream_update_params(c.stream, &buffers, 1);
}

void OnAddBuffer(void* data, pw_buffer* buffer) {
    auto& c = *static_cast<Client*>(data);
    c.buffers[buffer] = std::make_unique<Wrapped>(Wrapped{&c, buffer});
}

void OnRemoveBuffer(void* data, pw_buffer* buffer) {
    auto& c = *static_cast<Client*>(data);
    const auto found = c.buffers.find(buffer);
    if (found == c.buffers.end()) {
        return;
    }
    if (found->second->wl != nullptr) {
        wl_buffer_destroy(found->second->wl);
        wl_shm_pool_destroy(found->second->pool);
    }
    c.buffers.erase(found);
}

bool ConnectStream(Client& c, std::uint32_t node) {
    c.loop = pw_loop_new(nullptr);
    pw_context* context = c.loop != nullptr ? pw_context_new(c.loop, nullptr, 0) : nullptr;
    c.core = context != nullptr ? pw_context_connect(context, nullptr, 0) : nullptr;
    if (c.core == nullptr) {
        return false;
    }
    c.stream = pw_stream_new(c.core, "minimal mirror",
                             pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                               "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    static const pw_stream_events events = [] {
        pw_stream_events e{};
        e.version = PW_VERSION_STREAM_EVENTS;
        e.param_changed = OnFormat;
        e.add_buffer = OnAddBuffer;
        e.remove_buffer = OnRemoveBuffer;
        e.process = OnProcess;
        return e;
    }();
    pw_stream_add_listener(c.stream, &c.listener, &events, &c);
    std::uint8_t storage[512];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, storage, sizeof(storage));
    spa_rectangle size{1280, 720}, smallest{1, 1}, largest{8192, 8192};
    spa_fraction rate{60, 1}, slowest{0, 1}, fastest{1000, 1};
    const spa_pod* format = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
        SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
        SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_Id(SPA_VIDEO_FORMAT_BGRx), SPA_FORMAT_VIDEO_size,
        SPA_POD_CHOICE_RANGE_Rectangle(&size, &smallest, &largest), SPA_FORMAT_VIDEO_framerate,
        SPA_POD_CHOICE_RANGE_Fraction(&rate, &slowest, &fastest)));
    return pw_stream_connect(c.stream, PW_DIRECTION_INPUT, node,
                             static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT |
                                                          PW_STREAM_FLAG_MAP_BUFFERS),
                             &format, 1) == 0;
}

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t) {
    auto& c = *static_cast<Client*>(data);
    const std::string is = interface;
    if (is == wl_compositor_interface.name) {
        c.compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
    } else if (is == wl_subcompositor_interface.name) {
        c.subcompositor = static_cast<wl_subcompositor*>(
            wl_registry_bind(registry, name, &wl_subcompositor_interface, 1));
    } else if (is == wl_shm_interface.name) {
        c.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    } else if (is == xdg_wm_base_interface.name) {
        c.shell =
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    } else if (is == wp_viewporter_interface.name) {
        c.viewporter = static_cast<wp_viewporter*>(
            wl_registry_bind(registry, name, &wp_viewporter_interface, 1));
    }
}
const wl_registry_listener kRegistryListener{OnGlobal, [](void*, wl_registry*, std::uint32_t) {}};
const xdg_wm_base_listener kShellListener{
    [](void*, xdg_wm_base* shell, std::uint32_t serial) { xdg_wm_base_pong(shell, serial); }};
const xdg_surface_listener kXdgSurfaceListener{
    [](void* data, xdg_surface* surface, std::uint32_t serial) {
        xdg_surface_ack_configure(surface, serial);
        static_cast<Client*>(data)->configured = true;
    }};
const xdg_toplevel_listener kToplevelListener = [] {
    xdg_toplevel_listener listener{};
    listener.configure = [](void* data, xdg_toplevel*, std::int32_t width, std::int32_t height,
                            wl_array*) {
        auto& c = *static_cast<Client*>(data);
        if (width > 0 && height > 0) {
            c.outputWidth = width;
            c.outputHeight = height;
        }
    };
    listener.close = [](void*, xdg_toplevel*) {};
    return listener;
}();

// A black XRGB buffer of its own memfd (a new file reads as zeros).
wl_buffer* Black(wl_shm* shm, int width, int height) {
    const int bytes = width * height * 4;
    const int fd = memfd_create("black", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, bytes) != 0) {
        return nullptr;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, bytes);
    wl_buffer* buffer =
        wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

// A black full-screen toplevel with the image's subsurface at the target rectangle.
bool ShowWindow(Client& c) {
    wl_registry_add_listener(wl_display_get_registry(c.display), &kRegistryListener, &c);
    wl_display_roundtrip(c.display);
    if (c.compositor == nullptr || c.subcompositor == nullptr || c.shm == nullptr ||
        c.shell == nullptr || c.viewporter == nullptr) {
        return false;
    }
    xdg_wm_base_add_listener(c.shell, &kShellListener, &c);
    c.window = wl_compositor_create_surface(c.compositor);
    xdg_surface* shellSurface = xdg_wm_base_get_xdg_surface(c.shell, c.window);
    xdg_surface_add_listener(shellSurface, &kXdgSurfaceListener, &c);
    xdg_toplevel* toplevel = xdg_surface_get_toplevel(shellSurface);
    xdg_toplevel_add_listener(toplevel, &kToplevelListener, &c);
    xdg_toplevel_set_title(toplevel, "Minimal mirror");
    xdg_toplevel_set_fullscreen(toplevel, nullptr);
    wl_surface_commit(c.window);
    while (!c.configured && wl_display_dispatch(c.display) >= 0) {
    }
    c.image = wl_compositor_create_surface(c.compositor);
    wl_subsurface* sub = wl_subcompositor_get_subsurface(c.subcompositor, c.image, c.window);
    wl_subsurface_set_position(sub, c.x, c.y);
    wl_subsurface_set_desync(sub);
    wp_viewport_set_destination(wp_viewporter_get_viewport(c.viewporter, c.image), c.width,
                                c.height);
    wl_surface_attach(c.window, Black(c.shm, c.outputWidth, c.outputHeight), 0, 0);
    wl_surface_commit(c.window);
    return wl_display_roundtrip(c.display) >= 0;
}

// Answers "count" lines, and "callbacks 0" / "callbacks 1" stop and resume asking for frame
// callbacks; false at the end of input.
bool ReadCommands(Client& c) {
    char text[256];
    const ssize_t length = read(0, text, sizeof(text) - 1);
    if (length <= 0) {
        return false;
    }
    text[length] = '\0';
    if (const char* at = std::strstr(text, "callbacks "); at != nullptr) {
        c.asking = at[10] == '1';
    }
    for (const char* at = std::strstr(text, "count"); at != nullptr;
         at = std::strstr(at + 1, "count")) {
        std::printf("count %" PRIu64 " %" PRIu64 "\n", c.received, c.presented);
    }
    std::fflush(stdout);
    return true;
}

void Run(Client& c) {
    pw_loop_enter(c.loop);
    for (;;) {
        while (wl_display_prepare_read(c.display) != 0) {
            wl_display_dispatch_pending(c.display);
        }
        wl_display_flush(c.display);
        pollfd fds[3] = {{wl_display_get_fd(c.display), POLLIN, 0},
                         {pw_loop_get_fd(c.loop), POLLIN, 0},
                         {0, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            wl_display_cancel_read(c.display);
            continue;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            wl_display_read_events(c.display);
        } else {
            wl_display_cancel_read(c.display);
        }
        if ((fds[0].revents & (POLLERR | POLLHUP)) != 0 ||
            wl_display_dispatch_pending(c.display) < 0) {
            break;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            pw_loop_iterate(c.loop, 0);
        }
        if ((fds[2].revents & (POLLIN | POLLHUP)) != 0 && !ReadCommands(c)) {
            break;
        }
    }
    pw_loop_leave(c.loop);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s <node id> <x> <y> <width> <height>\n", argv[0]);
        return 2;
    }
    Client c;
    c.x = std::atoi(argv[2]);
    c.y = std::atoi(argv[3]);
    c.width = std::atoi(argv[4]);
    c.height = std::atoi(argv[5]);
    c.display = wl_display_connect(nullptr);
    if (c.display == nullptr || !ShowWindow(c)) {
        std::fprintf(stderr, "wayland_clone_cost_minimal: no usable Wayland compositor\n");
        return 1;
    }
    pw_init(&argc, &argv);
    if (!ConnectStream(c, static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)))) {
        std::fprintf(stderr, "wayland_clone_cost_minimal: cannot reach PipeWire\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    Run(c);
    return 0;
}
