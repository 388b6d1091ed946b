// CPU per frame of a clone on the Wayland backend: the test source sends 1280x720 BGRx at
// 60 fps through a private PipeWire; the program receives each frame through the portal
// stand-in's stream and shows it fitted in a clone. Prints the program's CPU time per
// source frame (its PipeWire thread included), the source's, and the frames shown per
// second. Without arguments the clone draws on Qt's offscreen platform (1920x1080); with
// --sway it runs under a private sway headless (pixman) as a real client, once drawing the
// frames and once handing them to the compositor, then a minimal pass-through client
// (wayland_clone_cost_minimal) takes the same kind of stream into the same rectangle; for
// each it prints sway's CPU per frame and the frames sway drew per second (frame callbacks
// asked with each commit of the image's surface, counted after the CPU was measured)
// beside the client's own CPU. Every process's CPU is the run time of all its threads in
// the scheduler's nanoseconds. Figures are printed, never checked.
#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "bench/process_cpu.h"
#include "platform/wayland/PipeWireLoop.h"
#include "platform/wayland/PipeWireStream.h"
#include "platform/wayland/RestoreTokenStore.h"
#include "platform/wayland/WaylandThumbnail.h"
#include "platform/wayland/WaylandWindowList.h"
#include "platform/wayland/WindowSource.h"
#include "tests/wayland/support/PortalStandIn.h"
#include "tests/wayland/support/WaylandTestSession.h"

namespace {

constexpr int kWarmUpFrames = 30;
constexpr int kMeasuredFrames = 300;
constexpr int kPresentedFrames = 150;

// A process's processor time in seconds, all its threads (or those of one name), to the
// nanosecond.
double CpuSeconds(qint64 pid, const QString& threadName = {}) {
    return ProcessCpuMs(pid, threadName) / 1000;
}

double OwnCpuSeconds() {
    return CpuSeconds(QCoreApplication::applicationPid());
}

// Says what went wrong; false, for the functions that report it.
bool Complain(const char* message) {
    std::fprintf(stderr, "wayland_clone_cost: %s\n", message);
    return false;
}

int Fail(const char* message) {
    Complain(message);
    return 1;
}

struct Figures {
    double seconds = 0;
    double received = 0;   // source frames
    double shown = 0;      // frames drawn or handed on
    double presented = 0;  // frames the compositor drew (frame callbacks; 0: not counted)
    double presentedSeconds = 0;
    double ownCpu = 0;
    double swayCpu = 0;
    double sourceCpu = 0;
    double toolkitCpu = 0;  // the part of ownCpu in the toolkit's own Wayland threads
};

// What a run counts: source frames received, frames drawn or handed on, frames presented,
// and the client's own CPU seconds; countPresented asks for frame callbacks or stops;
// toolkitCpu, where a toolkit runs threads of its own for the connection, their seconds.
struct Counters {
    std::function<double()> received;
    std::function<double()> shown;
    std::function<double()> presented;
    std::function<double()> ownCpu;
    std::function<void(bool)> countPresented;
    std::function<double()> toolkitCpu = nullptr;
};

Figures Sample(const Counters& c, qint64 swayPid, qint64 sourcePid) {
    return Figures{0,
                   c.received(),
                   c.shown(),
                   c.presented(),
                   0,
                   c.ownCpu(),
                   swayPid > 0 ? CpuSeconds(swayPid) : 0,
                   CpuSeconds(sourcePid),
                   c.toolkitCpu ? c.toolkitCpu() : 0};
}

// Runs the event loop until condition holds (checked every 100 ms) or timeoutMs pass: the
// program handles each frame as it comes, as in its own event loop (polling with sleeps in
// between would make it miss frames).
bool RunUntil(const std::function<bool()>& condition, int timeoutMs) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition()) {
            loop.quit();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start(100);
    loop.exec();
    return condition();
}

// Waits for warm-up, then measures the CPU while measured frames arrive, then counts the
// frames presented. Frame callbacks are asked only for the count: their events cost a
// toolkit's client more than the minimal one (Qt wakes two threads for each), which the
// CPU figures would charge to the clone.
std::optional<Figures> Measure(const Counters& c, qint64 swayPid, qint64 sourcePid) {
    c.countPresented(false);
    if (!RunUntil([&] { return c.shown() >= kWarmUpFrames; }, 10000)) {
        return std::nullopt;
    }
    const Figures before = Sample(c, swayPid, sourcePid);
    QElapsedTimer clock;
    clock.start();
    RunUntil([&] { return c.received() >= before.received + kMeasuredFrames; }, 20000);
    const Figures after = Sample(c, swayPid, sourcePid);
    const double seconds = clock.nsecsElapsed() / 1e9;
    c.countPresented(true);
    const double presentedBefore = c.presented();
    clock.restart();
    RunUntil([&] { return c.received() >= after.received + kPresentedFrames; }, 20000);
    return Figures{seconds,
                   after.received - before.received,
                   after.shown - before.shown,
                   c.presented() - presentedBefore,
                   clock.nsecsElapsed() / 1e9,
                   after.ownCpu - before.ownCpu,
                   after.swayCpu - before.swayCpu,
                   after.sourceCpu - before.sourceCpu,
                   after.toolkitCpu - before.toolkitCpu};
}

void Print(const char* path, const Figures& f) {
    const double perFrame = f.received > 0 ? 1000 / f.received : 0;
    std::printf("  %s: %.0f source frames in %.2f s (%.1f per second), %.1f shown per second\n",
                path, f.received, f.seconds, f.received / f.seconds, f.shown / f.seconds);
    std::printf("    own CPU per source frame:     %.2f ms (%.1f %% of one core)\n",
                f.ownCpu * perFrame, f.ownCpu * 100 / f.seconds);
    if (f.toolkitCpu > 0) {
        std::printf("      of which Qt's Wayland event threads: %.2f ms\n",
                    f.toolkitCpu * perFrame);
    }
    if (f.swayCpu > 0) {
        std::printf("    sway CPU per source frame:    %.2f ms\n", f.swayCpu * perFrame);
    }
    if (f.presented > 0) {
        std::printf("    presented per second:         %.1f (frame callbacks)\n",
                    f.presented / f.presentedSeconds);
    }
    std::printf("    test source CPU per frame:    %.2f ms\n", f.sourceCpu * perFrame);
}

// Counts the frames the compositor drew of surfaces on Qt's connection: a frame callback
// is asked for with each frame (it comes with the surface's next commit), on an event
// queue of its own; callbacks that one repaint answered share its time and count once.
class FrameCallbackCounter {
  public:
    FrameCallbackCounter() {
        QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
        display_ = native != nullptr
                       ? static_cast<wl_display*>(
                             native->nativeResourceForIntegration(QByteArrayLiteral("wl_display")))
                       : nullptr;
        if (display_ != nullptr) {
            queue_ = wl_display_create_queue(display_);
        }
    }
    ~FrameCallbackCounter() {
        for (wl_callback* callback : pending_) {
            wl_callback_destroy(callback);
        }
        if (queue_ != nullptr) {
            wl_event_queue_destroy(queue_);
        }
    }
    FrameCallbackCounter(const FrameCallbackCounter&) = delete;
    FrameCallbackCounter& operator=(const FrameCallbackCounter&) = delete;

    // Asks to be told when the next commit of surface is drawn; the request goes out with
    // the client's next flush.
    void Ask(wl_surface* surface) {
        if (!asking_ || queue_ == nullptr || surface == nullptr) {
            return;
        }
        static const wl_callback_listener listener{
            [](void* data, wl_callback* callback, std::uint32_t milliseconds) {
                auto* counter = static_cast<FrameCallbackCounter*>(data);
                counter->drawn_ += milliseconds != std::exchange(counter->lastAt_, milliseconds);
                counter->pending_.erase(callback);
                wl_callback_destroy(callback);
            }};
        auto* onQueue = static_cast<wl_surface*>(wl_proxy_create_wrapper(surface));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(onQueue), queue_);
        wl_callback* callback = wl_surface_frame(onQueue);
        wl_proxy_wrapper_destroy(onQueue);
        wl_callback_add_listener(callback, &listener, this);
        pending_.insert(callback);
    }
    void SetAsking(bool asking) { asking_ = asking; }
    double Drawn() {
        if (queue_ != nullptr) {
            wl_display_dispatch_queue_pending(display_, queue_);
        }
        return static_cast<double>(drawn_);
    }

  private:
    wl_display* display_ = nullptr;
    wl_event_queue* queue_ = nullptr;
    std::set<wl_callback*> pending_;
    std::uint64_t drawn_ = 0;
    std::uint32_t lastAt_ = 0;
    bool asking_ = true;
};

// The minimal pass-through client's counts, asked on its standard input.
double MinimalCount(QProcess& minimal, int which) {
    minimal.write("count\n");
    const auto line = WaylandTestSession::WaitForLine(minimal, QStringLiteral("count "), 5000);
    return line ? line->split(u' ').value(which).toDouble() : 0;
}

// The minimal client on the same stream into the same rectangle, measured and ended.
bool MeasureMinimal(WaylandTestSession& session, const QString& node, const QRect& target,
                    qint64 sourcePid) {
    QProcess& minimal =
        session.Start(QStringLiteral(VANTREL_MINIMAL_CLIENT),
                      {node, QString::number(target.x()), QString::number(target.y()),
                       QString::number(target.width()), QString::number(target.height())});
    if (!WaylandTestSession::WaitForLine(minimal, QStringLiteral("ready"), 10000)) {
        return false;
    }
    const qint64 pid = minimal.processId();
    const Counters counters{
        [&] { return MinimalCount(minimal, 0); }, [&] { return MinimalCount(minimal, 0); },
        [&] { return MinimalCount(minimal, 1); }, [pid] { return CpuSeconds(pid); },
        [&](bool on) { minimal.write(on ? "callbacks 1\n" : "callbacks 0\n"); }};
    const auto figures = Measure(counters, session.SwayProcessId(), sourcePid);
    minimal.terminate();
    minimal.waitForFinished(5000);
    if (!figures) {
        return false;
    }
    Print("minimal pass-through client", *figures);
    return true;
}

struct CloneRun {
    bool underSway = false;
    bool handOn = false;
    QRect target;
};

// One clone made as the program makes it: shown full screen and its thumbnail made at once
// (a subsurface added after the clone's first commit would not show until it commits again).
std::optional<Figures> MeasureVantrel(const CloneRun& run, std::shared_ptr<WindowSource> window,
                                      FrameCallbackCounter& frameCallbacks, qint64 swayPid,
                                      qint64 sourcePid) {
    QWidget clone;
    clone.setStyleSheet(QStringLiteral("background: black"));
    if (run.underSway) {
        clone.showFullScreen();  // the output is 1280x720
    } else {
        clone.setGeometry(0, 0, 1920, 1080);
        clone.show();
    }
    // Before the view's own handling of each frame, as the minimal client asks with each
    // commit: the request goes out with the commit that shows the frame, in its flush.
    FrameView* view = nullptr;
    QObject::connect(window.get(), &WindowSource::FrameArrived, &clone, [&] {
        if (view != nullptr) {
            frameCallbacks.Ask(
                view->ImageSurface() != nullptr
                    ? view->ImageSurface()
                    : static_cast<wl_surface*>(
                          QGuiApplication::platformNativeInterface()->nativeResourceForWindow(
                              "surface", view)));
        }
    });
    WaylandThumbnail thumbnail(clone.windowHandle(), std::move(window));
    view = thumbnail.View();
    view->AllowHandingOn(run.handOn);
    thumbnail.Place(run.target, true);
    const WindowSource& stream = thumbnail.Source();
    const Counters counters{
        [&stream] {
            return static_cast<double>(stream.Stream() ? stream.Stream()->FramesReceived() : 0);
        },
        [view] { return static_cast<double>(view->PaintCount() + view->HandedOnCount()); },
        [&frameCallbacks] { return frameCallbacks.Drawn(); }, OwnCpuSeconds,
        [&frameCallbacks](bool on) { frameCallbacks.SetAsking(on); },
        // Qt reads the connection on two threads of this name, which wake for every event.
        [] { return CpuSeconds(QCoreApplication::applicationPid(), "WaylandEventThr"); }};
    return Measure(counters, swayPid, sourcePid);
}

// The test source for one client; its node id, or nothing.
std::optional<QString> StartSource(WaylandTestSession& session, QProcess*& source) {
    source = &session.Start(QStringLiteral(VANTREL_TEST_SOURCE),
                            {"--width", "1280", "--height", "720", "--fps", "60"});
    return WaylandTestSession::WaitForLine(*source, QStringLiteral("node "), 10000);
}

// The program's clone of a window chosen through the portal stand-in, drawn and (under
// sway) handed on; false with the reason printed when a run showed nothing.
bool MeasureProgram(WaylandTestSession& session, bool underSway, const QRect& target) {
    QProcess* source = nullptr;
    const std::optional<QString> node = StartSource(session, source);
    if (!node) {
        return Complain("the test source gave no node");
    }
    PortalStandIn portal(QDBusConnection::connectToBus(session.BusAddress(), "portal"));
    portal.SetPicker(PickerAnswer::Share, node->toUInt(), QSize(1280, 720));
    portal.SetPipeWireSocket(session.PipeWireSocket());
    QTemporaryDir state;
    PipeWireLoop loop;
    WaylandWindowList windows(loop, QDBusConnection::connectToBus(session.BusAddress(), "client"),
                              RestoreTokenStore(state.filePath("state.json")), nullptr);
    windows.Choose();
    const WindowHandle chosen = WaylandWindowList::kFirstChosenHandle + 1;
    if (!WaylandTestSession::WaitUntil([&] { return windows.SourceFor(chosen) != nullptr; },
                                       10000)) {
        return Complain("the window was not chosen");
    }
    FrameCallbackCounter frameCallbacks;
    for (const bool handOn : underSway ? std::vector{false, true} : std::vector{false}) {
        const auto figures =
            MeasureVantrel({underSway, handOn, target}, windows.SourceFor(chosen), frameCallbacks,
                           session.SwayProcessId(), source->processId());
        if (!figures) {
            return Complain("no frames were shown");
        }
        Print(handOn ? "Vantrel, handed to the compositor" : "Vantrel, drawn by the program",
              *figures);
    }
    source->terminate();
    return source->waitForFinished(5000);
}

}  // namespace

int main(int argc, char** argv) {
    const bool underSway = argc > 1 && qstrcmp(argv[1], "--sway") == 0;
    if (!underSway && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Under sway the servers come first: the application connects to the session's sway.
    WaylandTestSession session(SessionServers{.pipeWire = true, .sway = underSway});
    if (!session.Problem().isEmpty()) {
        return Fail(session.Problem().toLocal8Bit().constData());
    }
    if (underSway) {
        qputenv("QT_QPA_PLATFORM", "wayland");
    }
    QApplication app(argc, argv);
    const QRect target = underSway ? QRect(160, 90, 960, 540) : QRect(0, 0, 1920, 1080);
    std::printf("Wayland clone, 1280x720 BGRx SHM at 60 fps into %dx%d (%s):\n", target.width(),
                target.height(), QGuiApplication::platformName().toLocal8Bit().constData());
    if (!MeasureProgram(session, underSway, target)) {
        return 1;
    }
    if (!underSway) {
        return 0;
    }
    // A source of its own: a consumer that comes after another one left got fewer frames
    // (the test source found no free buffer about 8 times a second).
    QProcess* source = nullptr;
    const std::optional<QString> node = StartSource(session, source);
    if (!node || !MeasureMinimal(session, *node, target, source->processId())) {
        return Fail("the minimal client showed no frames");
    }
    return 0;
}
