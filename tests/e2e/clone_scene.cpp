#include "tests/e2e/clone_scene.h"

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

#include "clone/CloneForm.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/connection/X11Context.h"
#include "platform/x11/thumbnails/X11Compositor.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

int g_argc = 1;
char g_name[] = "clone_e2e";
char* g_argv[] = {g_name, nullptr};

}  // namespace

CloneScene::CloneScene() = default;

CloneScene::~CloneScene() {
    // The source and the window manager go first, while this process still talks to the
    // server; the server goes last, with the desktop.
    if (source_ != nullptr) {
        source_->Stop();
    }
    probeTarget_.reset();
    platform_.reset();
    app_.reset();
    desktop_.reset();
}

bool CloneScene::Start(bool withWindowManager, std::string* reason) {
    DesktopOptions options;
    options.monitors = {{0, 0, 1280, 720, true}, {1280, 0, 1920, 1080, false}};
    options.windowManager = withWindowManager ? WindowManager::Openbox : WindowManager::None;
    desktop_ = std::make_unique<TestDesktop>(options);
    if (!desktop_->Ready()) {
        *reason = desktop_->Failure();
        return false;
    }
    desktop_->Server().Export();
    app_ = std::make_unique<QApplication>(g_argc, g_argv);
    platform_ = CreateX11Platform();
    probeTarget_ = std::make_unique<QWidget>();
    probeTarget_->resize(64, 48);
    probeTarget_->winId();
    X11Context* context = dynamic_cast<X11Platform&>(*platform_).ToolkitContext();
    if (context == nullptr) {
        *reason = "no X connection";
        return false;
    }
    std::shared_ptr<int> errors = errors_;
    auto countErrors = [errors](xcb_generic_event_t* event) {
        if (event->response_type == 0) {
            auto* error = reinterpret_cast<xcb_generic_error_t*>(event);
            std::fprintf(stderr, "unexpected X error %d, request %d.%d\n", error->error_code,
                         error->major_code, error->minor_code);
            *errors += 1;
        }
        return false;
    };
    context->AddEventHandler(countErrors);
    ThumbnailConnection().AddEventHandler(countErrors);
    source_ = &desktop_->Start(
        QStringLiteral(VANTREL_COLOUR_CLIENT),
        {"--title", "Source", "--width", "640", "--height", "480", "--x", "100", "--y", "100"});
    sourceWindow_ = source_->ReadAnnouncedWindow(10000);
    if (sourceWindow_ == 0) {
        *reason = "the colour client did not start";
        return false;
    }
    if (withWindowManager &&
        !WaitUntil([&] { return X().TopLevelOf(sourceWindow_) != sourceWindow_; }, 10000)) {
        *reason = "openbox did not frame the source";
        return false;
    }
    return true;
}

std::unique_ptr<TCloneForm> CloneScene::NewClone() {
    return std::make_unique<TCloneForm>(platform_->Compositor(), platform_->Displays(),
                                        platform_->System());
}

std::optional<QSize> CloneScene::TrackedSourceSize(std::uint32_t source) {
    const std::unique_ptr<Thumbnail> probe = platform_->Compositor().CreateThumbnail(
        static_cast<WindowHandle>(probeTarget_->winId()), source);
    return probe ? probe->SourceSize() : std::nullopt;
}

X11Context& CloneScene::ThumbnailConnection() {
    X11Context* connection = dynamic_cast<X11Compositor&>(platform_->Compositor()).Connection();
    if (connection == nullptr) {
        std::fprintf(stderr, "the thumbnails have no connection\n");
        std::abort();
    }
    return *connection;
}

void CloneScene::Tell(const char* command) {
    source_->Write(command);
}

std::map<std::string, int> CloneScene::OwnResources() {
    std::map<std::string, int> counts;
    for (X11Context* context :
         {dynamic_cast<X11Platform&>(*platform_).ToolkitContext(), &ThumbnailConnection()}) {
        xcb_connection_t* ours = context->Connection();
        xcb_flush(ours);
        AddResources(X().Connection(), xcb_get_setup(ours)->resource_id_base, counts);
    }
    return counts;
}

void CloneScene::AddResources(xcb_connection_t* c, std::uint32_t anyOfOurs,
                              std::map<std::string, int>& counts) {
    std::unique_ptr<xcb_res_query_client_resources_reply_t, decltype(&std::free)> reply(
        xcb_res_query_client_resources_reply(c, xcb_res_query_client_resources(c, anyOfOurs),
                                             nullptr),
        &std::free);
    if (!reply) {
        return;
    }
    auto it = xcb_res_query_client_resources_types_iterator(reply.get());
    for (; it.rem > 0; xcb_res_type_next(&it)) {
        std::unique_ptr<xcb_get_atom_name_reply_t, decltype(&std::free)> name(
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, it.data->resource_type), nullptr),
            &std::free);
        if (name) {
            counts[std::string(
                xcb_get_atom_name_name(name.get()),
                static_cast<std::size_t>(xcb_get_atom_name_name_length(name.get())))] +=
                static_cast<int>(it.data->count);
        }
    }
}

bool CloneScene::ShowsWithin(const std::vector<Probe>& probes, int timeoutMs,
                             std::string* describe) {
    return ShowsColours(X(), probes, timeoutMs, 40, 10, describe);
}

std::vector<CloneScene::Probe> QuadrantProbes(const QRect& r) {
    const int left = r.x() + r.width() / 4;
    const int right = r.x() + 3 * r.width() / 4;
    const int top = r.y() + r.height() / 4;
    const int bottom = r.y() + 3 * r.height() / 4;
    return {
        {left, top, kRed}, {right, top, kGreen}, {left, bottom, kBlue}, {right, bottom, kWhite}};
}

std::vector<CloneScene::Probe> MarginProbes(const QRect& r, const QRect& clone) {
    std::vector<CloneScene::Probe> probes;
    const int midX = r.x() + r.width() / 2;
    const int midY = r.y() + r.height() / 2;
    if (r.left() - clone.left() > 4) {
        probes.push_back({(clone.left() + r.left()) / 2, midY, kBlack});
    }
    if (clone.right() - r.right() > 4) {
        probes.push_back({(clone.right() + r.right()) / 2, midY, kBlack});
    }
    if (r.top() - clone.top() > 4) {
        probes.push_back({midX, (clone.top() + r.top()) / 2, kBlack});
    }
    if (clone.bottom() - r.bottom() > 4) {
        probes.push_back({midX, (clone.bottom() + r.bottom()) / 2, kBlack});
    }
    return probes;
}
