// The DMA-BUF import against a stand-in compositor: libwayland-server on a thread of the test,
// connected through a socket pair, advertising linux-dmabuf (version 3) with some modifiers
// and answering `created` for the layouts it imports, `failed` for the rest; surfaces,
// subsurfaces and viewports are taken and counted, nothing more. A memfd stands in for the
// DMA-BUF (no GPU here): the stand-in checks it is the same file by its inode.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include <spa/param/video/raw.h>

#include <wayland-client.h>
#include <wayland-server.h>

#include "linux-dmabuf-unstable-v1-server-protocol.h"
#include "platform/wayland/DmaBufImport.h"
#include "platform/wayland/HandedOnImage.h"
#include "platform/wayland/PipeWireStream.h"
#include "platform/wayland/StreamPointer.h"
#include "platform/wayland/SurfaceGlobals.h"
#include "tests/support/TestApplication.h"
#include "tests/wayland/support/SharedPipeWire.h"

extern "C" {
extern const wl_interface wp_viewporter_interface;  // the backend's generated code
}

namespace {

constexpr std::uint32_t kXrgb = 0x34325258;  // 'XR24'
constexpr std::uint32_t kXbgr = 0x34324258;  // 'XB24'
constexpr std::uint64_t kTiled = 0x0100000000000001ULL;

struct ReceivedPlane {
    ino_t inode = 0;
    std::uint32_t index = 0;
    std::uint32_t offset = 0;
    std::uint32_t stride = 0;
    std::uint64_t modifier = 0;
};

struct ReceivedCreate {
    int width = 0;
    int height = 0;
    std::uint32_t fourcc = 0;
};

class StandInCompositor {
  public:
    StandInCompositor(DmaBufPairs listed, DmaBufPairs importable)
        : listed_(std::move(listed)), importable_(std::move(importable)) {
        server_ = wl_display_create();
        wl_global_create(server_, &zwp_linux_dmabuf_v1_interface, 3, this, Bind);
        wl_global_create(server_, &wl_compositor_interface, 4, this,
                         BindAny<&wl_compositor_interface>);
        wl_global_create(server_, &wl_subcompositor_interface, 1, this,
                         BindAny<&wl_subcompositor_interface>);
        wl_global_create(server_, &wp_viewporter_interface, 1, this,
                         BindAny<&wp_viewporter_interface>);
        wl_display_init_shm(server_);
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
            return;
        }
        wl_client_create(server_, fds[0]);
        client_ = wl_display_connect_to_fd(fds[1]);
        thread_ = std::thread([this] {
            while (!stop_) {
                wl_event_loop_dispatch(wl_display_get_event_loop(server_), 20);
                wl_display_flush_clients(server_);
            }
        });
    }
    ~StandInCompositor() {
        if (client_ != nullptr) {
            wl_display_disconnect(client_);
        }
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        wl_display_destroy(server_);
    }
    wl_display* Client() const { return client_; }
    std::vector<ReceivedPlane> Planes() {
        const std::lock_guard lock(mutex_);
        return planes_;
    }
    std::vector<ReceivedCreate> Creates() {
        const std::lock_guard lock(mutex_);
        return creates_;
    }
    // wl_surface.attach requests with a buffer (the only buffers are the imported ones).
    int BuffersAttached() {
        const std::lock_guard lock(mutex_);
        return attached_;
    }
    // Requests of that name to the surface-side objects so far.
    int Requests(const std::string& name) {
        const std::lock_guard lock(mutex_);
        return requests_[name];
    }

  private:
    static StandInCompositor* Self(wl_resource* resource) {
        return static_cast<StandInCompositor*>(wl_resource_get_user_data(resource));
    }
    static void Destroy(wl_client*, wl_resource* resource) { wl_resource_destroy(resource); }
    static void Bind(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
        static const struct zwp_linux_dmabuf_v1_interface kDmaBuf {
            Destroy, CreateParams, nullptr, nullptr
        };
        wl_resource* resource = wl_resource_create(client, &zwp_linux_dmabuf_v1_interface,
                                                   static_cast<int>(version), id);
        wl_resource_set_implementation(resource, &kDmaBuf, data, nullptr);
        for (const auto& [fourcc, modifier] : static_cast<StandInCompositor*>(data)->listed_) {
            zwp_linux_dmabuf_v1_send_modifier(resource, fourcc,
                                              static_cast<std::uint32_t>(modifier >> 32),
                                              static_cast<std::uint32_t>(modifier));
        }
    }
    // Every request of the surface-side objects: new objects are made alike, destroy
    // destroys, an attach with a buffer is counted.
    static int Dispatch(const void*, void* target, std::uint32_t, const wl_message* message,
                        wl_argument* args) {
        auto* resource = static_cast<wl_resource*>(target);
        StandInCompositor* self = Self(resource);
        int index = 0;
        for (const char* type = message->signature; *type != '\0'; ++type) {
            if (*type == '?' || (*type >= '0' && *type <= '9')) {
                continue;
            }
            if (*type == 'n') {
                wl_resource* made =
                    wl_resource_create(wl_resource_get_client(resource), message->types[index],
                                       wl_resource_get_version(resource), args[index].n);
                wl_resource_set_dispatcher(made, Dispatch, nullptr, self, nullptr);
            }
            ++index;
        }
        {
            const std::lock_guard lock(self->mutex_);
            ++self->requests_[message->name];
            if (std::strcmp(message->name, "attach") == 0 && args[0].o != nullptr) {
                ++self->attached_;
            }
        }
        if (std::strcmp(message->name, "destroy") == 0) {
            wl_resource_destroy(resource);
        }
        return 0;
    }
    template <const wl_interface* kInterface>
    static void BindAny(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
        wl_resource* resource =
            wl_resource_create(client, kInterface, static_cast<int>(version), id);
        wl_resource_set_dispatcher(resource, Dispatch, nullptr, data, nullptr);
    }
    static void CreateParams(wl_client* client, wl_resource* resource, std::uint32_t id) {
        static const struct zwp_linux_buffer_params_v1_interface kParams {
            Destroy, Add, Create, nullptr
        };
        wl_resource* params = wl_resource_create(client, &zwp_linux_buffer_params_v1_interface,
                                                 wl_resource_get_version(resource), id);
        wl_resource_set_implementation(params, &kParams, Self(resource), nullptr);
    }
    static void Add(wl_client*, wl_resource* resource, std::int32_t fd, std::uint32_t index,
                    std::uint32_t offset, std::uint32_t stride, std::uint32_t high,
                    std::uint32_t low) {
        struct stat file {};
        fstat(fd, &file);
        close(fd);
        StandInCompositor* self = Self(resource);
        const std::lock_guard lock(self->mutex_);
        self->planes_.push_back(
            {file.st_ino, index, offset, stride, (std::uint64_t{high} << 32) | low});
    }
    static void Create(wl_client* client, wl_resource* resource, std::int32_t width,
                       std::int32_t height, std::uint32_t fourcc, std::uint32_t) {
        StandInCompositor* self = Self(resource);
        const std::lock_guard lock(self->mutex_);
        self->creates_.push_back({width, height, fourcc});
        const std::uint64_t modifier = self->planes_.empty() ? 0 : self->planes_.back().modifier;
        if (!self->importable_.contains({fourcc, modifier})) {
            zwp_linux_buffer_params_v1_send_failed(resource);
            return;
        }
        static const struct wl_buffer_interface kBuffer { Destroy };
        wl_resource* buffer = wl_resource_create(client, &wl_buffer_interface, 1, 0);
        wl_resource_set_implementation(buffer, &kBuffer, nullptr, nullptr);
        zwp_linux_buffer_params_v1_send_created(resource, buffer);
    }

    DmaBufPairs listed_;
    DmaBufPairs importable_;
    wl_display* server_ = nullptr;
    wl_display* client_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<ReceivedPlane> planes_;
    std::vector<ReceivedCreate> creates_;
    int attached_ = 0;
    std::map<std::string, int> requests_;
};

DmaBufFrame MemFdFrame(int memFd, std::uint32_t videoFormat, std::uint64_t modifier) {
    DmaBufFrame frame;
    frame.planes = {{memFd, 0, 2560}, {memFd, 1228800, 64}};
    frame.size = QSize(640, 480);
    frame.crop = QRect(0, 0, 640, 480);
    frame.videoFormat = videoFormat;
    frame.modifier = modifier;
    return frame;
}

TEST(DmaBufImportTest, ThePairsTheCompositorListsAreCollected) {
    const DmaBufPairs listed{{kXrgb, kTiled}, {kXbgr, 0}};
    StandInCompositor compositor(listed, {});
    ASSERT_NE(compositor.Client(), nullptr);
    const SurfaceGlobals globals(compositor.Client());
    EXPECT_NE(globals.LinuxDmaBuf(), nullptr);
    EXPECT_EQ(globals.DmaBufImports(), listed);
    EXPECT_TRUE(globals.CanHandOn());
}

// Planes, modifier and opaque fourcc go to the compositor as the frame gives them; created
// gives a wl_buffer, failed none and names the refused layout to drop from the offer.
TEST(DmaBufImportTest, CreatedGivesABufferFailedNamesTheRefusedLayout) {
    struct Case {
        const char* name;
        std::uint32_t videoFormat;
        std::uint32_t fourcc;
        std::uint64_t modifier;
        DmaBufImport::State expected;
    };
    const Case cases[] = {
        {"imported", SPA_VIDEO_FORMAT_BGRA, kXrgb, kTiled, DmaBufImport::State::Created},
        {"refused", SPA_VIDEO_FORMAT_RGBx, kXbgr, kTiled, DmaBufImport::State::Failed},
    };
    const int memFd = memfd_create("vantrel-test-dmabuf", MFD_CLOEXEC);
    ASSERT_GE(memFd, 0);
    struct stat file {};
    ASSERT_EQ(fstat(memFd, &file), 0);
    for (const Case& test : cases) {
        StandInCompositor compositor({{kXrgb, kTiled}, {kXbgr, kTiled}}, {{kXrgb, kTiled}});
        ASSERT_NE(compositor.Client(), nullptr);
        const SurfaceGlobals globals(compositor.Client());
        ASSERT_NE(globals.LinuxDmaBuf(), nullptr);
        const DmaBufFrame frame = MemFdFrame(memFd, test.videoFormat, test.modifier);
        std::vector<DmaBufImport::State> settled;
        DmaBufImport import(globals.LinuxDmaBuf(), frame,
                            [&settled](DmaBufImport& done) { settled.push_back(done.Current()); });
        EXPECT_EQ(import.Current(), DmaBufImport::State::Pending) << test.name;
        ASSERT_GE(wl_display_roundtrip(compositor.Client()), 0) << test.name;
        EXPECT_EQ(settled, std::vector{test.expected}) << test.name;
        EXPECT_EQ(import.Buffer() != nullptr, test.expected == DmaBufImport::State::Created)
            << test.name;
        EXPECT_EQ(import.VideoFormat(), test.videoFormat) << test.name;
        EXPECT_EQ(import.Modifier(), test.modifier) << test.name;
        const std::vector<ReceivedPlane> planes = compositor.Planes();
        ASSERT_EQ(planes.size(), 2u) << test.name;
        for (std::uint32_t i = 0; i < 2; ++i) {
            EXPECT_EQ(planes[i].inode, file.st_ino) << test.name << " plane " << i;
            EXPECT_EQ(planes[i].index, i) << test.name;
            EXPECT_EQ(planes[i].offset, frame.planes[i].offset) << test.name;
            EXPECT_EQ(planes[i].stride, frame.planes[i].stride) << test.name;
            EXPECT_EQ(planes[i].modifier, test.modifier) << test.name;
        }
        const std::vector<ReceivedCreate> creates = compositor.Creates();
        ASSERT_EQ(creates.size(), 1u) << test.name;
        EXPECT_EQ(creates[0].width, 640);
        EXPECT_EQ(creates[0].height, 480);
        EXPECT_EQ(creates[0].fourcc, test.fourcc) << test.name;
    }
    close(memFd);
}

// On a clone's image: an imported frame is attached once the compositor made its buffer;
// a refused one attaches nothing and its layout leaves the stream's offer (for every format
// of its fourcc) while the others stay.
TEST(DmaBufImportTest, ImportedFrameAttachedRefusedLayoutLeavesTheStreamsOffer) {
    TestApplication();
    ASSERT_EQ(SharedPipeWireSession().Problem(), QString());
    const DmaBufPairs listed{{kXrgb, 0}, {kXrgb, kTiled}};
    struct Case {
        const char* name;
        DmaBufPairs importable;
        int attached;
        DmaBufOffer offerAfter;
    };
    const Case cases[] = {
        {"imported", listed, 1, DmaBufOffer::For(listed)},
        {"refused", {{kXrgb, 0}}, 0, DmaBufOffer::For({{kXrgb, 0}})},
    };
    const int memFd = memfd_create("vantrel-test-dmabuf", MFD_CLOEXEC);
    ASSERT_GE(memFd, 0);
    for (const Case& test : cases) {
        StandInCompositor compositor(listed, test.importable);
        ASSERT_NE(compositor.Client(), nullptr);
        const SurfaceGlobals globals(compositor.Client());
        ASSERT_TRUE(globals.CanHandOn());
        wl_surface* parent = wl_compositor_create_surface(globals.Compositor());
        PipeWireStream stream(SharedPipeWireLoop(), -1, 999999, DmaBufOffer::For(listed));
        {
            HandedOnImage image(globals, parent);
            image.Show(stream, MemFdFrame(memFd, SPA_VIDEO_FORMAT_BGRx, kTiled),
                       QRect(0, 0, 320, 240), {}, ImageTurn::None);
            ASSERT_GE(wl_display_roundtrip(compositor.Client()), 0);  // created or failed
            ASSERT_GE(wl_display_roundtrip(compositor.Client()), 0);  // what that asked for
            EXPECT_EQ(compositor.BuffersAttached(), test.attached) << test.name;
            EXPECT_EQ(image.Attached(), static_cast<std::uint64_t>(test.attached)) << test.name;
            EXPECT_EQ(stream.DmaBufOffered().Formats(), test.offerAfter.Formats()) << test.name;
        }
        wl_surface_destroy(parent);
    }
    close(memFd);
}

// Frame after frame the image only gets a new buffer: the viewport's source and
// destination and the buffer transform are sent when they change (the compositor could
// take each as a change of the surface).
TEST(DmaBufImportTest, ViewportAndTurnAreSentOnlyWhenTheyChange) {
    TestApplication();
    ASSERT_EQ(SharedPipeWireSession().Problem(), QString());
    const DmaBufPairs listed{{kXrgb, kTiled}};
    StandInCompositor compositor(listed, listed);
    ASSERT_NE(compositor.Client(), nullptr);
    const SurfaceGlobals globals(compositor.Client());
    wl_surface* parent = wl_compositor_create_surface(globals.Compositor());
    PipeWireStream stream(SharedPipeWireLoop(), -1, 999999, DmaBufOffer::For(listed));
    const int memFd = memfd_create("vantrel-test-dmabuf", MFD_CLOEXEC);
    ASSERT_GE(memFd, 0);
    struct Step {
        const char* name;
        QRect target;
        QRect part;
        ImageTurn turn;
        int sources, destinations, transforms;  // sent so far
    };
    const QRect quarter(0, 0, 320, 240);
    const Step steps[] = {
        {"first frame", quarter, {}, ImageTurn::None, 1, 1, 0},
        {"same again", quarter, {}, ImageTurn::None, 1, 1, 0},
        {"moved", quarter.translated(8, 8), {}, ImageTurn::None, 1, 1, 0},
        {"resized", QRect(0, 0, 160, 120), {}, ImageTurn::None, 1, 2, 0},
        {"cropped", QRect(0, 0, 160, 120), quarter, ImageTurn::None, 2, 2, 0},
        {"turned", QRect(0, 0, 160, 120), quarter, ImageTurn::Rotate90, 3, 2, 1},
        {"turned again", QRect(0, 0, 160, 120), quarter, ImageTurn::Rotate90, 3, 2, 1},
    };
    {
        HandedOnImage image(globals, parent);
        for (const Step& step : steps) {
            image.Show(stream, MemFdFrame(memFd, SPA_VIDEO_FORMAT_BGRx, kTiled), step.target,
                       step.part, step.turn);
            ASSERT_GE(wl_display_roundtrip(compositor.Client()), 0);  // imported at first
            ASSERT_GE(wl_display_roundtrip(compositor.Client()), 0);
            EXPECT_EQ(compositor.Requests("set_source"), step.sources) << step.name;
            EXPECT_EQ(compositor.Requests("set_destination"), step.destinations) << step.name;
            EXPECT_EQ(compositor.Requests("set_buffer_transform"), step.transforms) << step.name;
        }
        // The pointer's shape turns with the image: its surface takes the same transform,
        // once.
        StreamPointer pointer{true, QPoint(10, 10), QPoint(2, 2),
                              QImage(16, 8, QImage::Format_ARGB32)};
        pointer.shape.fill(Qt::white);
        for (int i = 0; i < 2; ++i) {
            image.ShowPointer(pointer, true);
            ASSERT_GE(wl_display_roundtrip(compositor.Client()), 0);
            EXPECT_EQ(compositor.Requests("set_buffer_transform"), 2) << "pointer shown " << i;
        }
        EXPECT_EQ(compositor.BuffersAttached(), static_cast<int>(std::size(steps)) + 1);
    }
    wl_surface_destroy(parent);
    close(memFd);
}

}  // namespace
