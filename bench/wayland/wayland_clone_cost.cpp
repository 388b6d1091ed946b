// CPU per frame of a clone on the Wayland backend: the test source sends 1280x720 BGRx at
// 60 fps through a private PipeWire; the program receives each frame through the portal
// stand-in's stream and shows it fitted in a clone. Prints the program's CPU time per
// source frame (its PipeWire thread included), the source's, and the frames shown per
// second. Without arguments the clone draws on Qt's offscreen platform (1920x1080); with
// --sway it runs under a private sway headless (pixman) as a real client, once drawing the
// frames and once handing them to the compositor, and prints sway's CPU per frame beside
// the program's. Figures are printed, never checked.
#include <QApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

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

double OwnCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// utime + stime of another process, from /proc.
double ProcessCpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) {
        return 0;
    }
    return (fields[11].toDouble() + fields[12].toDouble()) / sysconf(_SC_CLK_TCK);
}

int Fail(const char* message) {
    std::fprintf(stderr, "wayland_clone_cost: %s\n", message);
    return 1;
}

struct Figures {
    double seconds = 0;
    double received = 0;  // source frames
    double shown = 0;     // frames drawn or handed on
    double ownCpu = 0;
    double swayCpu = 0;
    double sourceCpu = 0;
};

// Waits for warm-up, then measures while measured frames arrive.
std::optional<Figures> Measure(const WindowSource& source, const std::function<double()>& shown,
                               qint64 swayPid, qint64 sourcePid) {
    const auto received = [&source] {
        return static_cast<double>(source.Stream() ? source.Stream()->FramesReceived() : 0);
    };
    if (!WaylandTestSession::WaitUntil([&] { return shown() >= kWarmUpFrames; }, 10000)) {
        return std::nullopt;
    }
    const Figures before{0,
                         received(),
                         shown(),
                         OwnCpuSeconds(),
                         ProcessCpuSeconds(swayPid),
                         ProcessCpuSeconds(sourcePid)};
    QElapsedTimer clock;
    clock.start();
    WaylandTestSession::WaitUntil([&] { return received() >= before.received + kMeasuredFrames; },
                                  20000);
    return Figures{clock.nsecsElapsed() / 1e9,
                   received() - before.received,
                   shown() - before.shown,
                   OwnCpuSeconds() - before.ownCpu,
                   swayPid > 0 ? ProcessCpuSeconds(swayPid) - before.swayCpu : 0,
                   ProcessCpuSeconds(sourcePid) - before.sourceCpu};
}

void Print(const char* path, const Figures& f) {
    const double perFrame = f.received > 0 ? 1000 / f.received : 0;
    std::printf("  %s: %.0f source frames in %.2f s, %.1f shown per second\n", path, f.received,
                f.seconds, f.shown / f.seconds);
    std::printf("    program CPU per source frame: %.2f ms (%.1f %% of one core)\n",
                f.ownCpu * perFrame, f.ownCpu * 100 / f.seconds);
    if (f.swayCpu > 0) {
        std::printf("    sway CPU per source frame:    %.2f ms\n", f.swayCpu * perFrame);
    }
    std::printf("    test source CPU per frame:    %.2f ms\n", f.sourceCpu * perFrame);
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
    QProcess& source = session.Start(QStringLiteral(VANTREL_TEST_SOURCE),
                                     {"--width", "1280", "--height", "720", "--fps", "60"});
    const auto node = WaylandTestSession::WaitForLine(source, QStringLiteral("node "), 10000);
    if (!node) {
        return Fail("the test source gave no node");
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
        return Fail("the window was not chosen");
    }
    QWidget clone;
    clone.setStyleSheet(QStringLiteral("background: black"));
    if (underSway) {
        clone.showFullScreen();  // the output is 1280x720
    } else {
        clone.setGeometry(0, 0, 1920, 1080);
        clone.show();
    }
    if (!WaylandTestSession::WaitUntil([&] { return clone.isVisible(); }, 10000)) {
        return Fail("the clone did not show");
    }
    const QRect target = underSway ? QRect(160, 90, 960, 540) : QRect(0, 0, 1920, 1080);
    std::printf("Wayland clone, 1280x720 BGRx SHM at 60 fps into %dx%d (%s):\n", target.width(),
                target.height(), QGuiApplication::platformName().toLocal8Bit().constData());
    for (const bool handOn : underSway ? std::vector{false, true} : std::vector{false}) {
        WaylandThumbnail thumbnail(clone.windowHandle(), windows.SourceFor(chosen));
        FrameView& view = *thumbnail.View();
        view.AllowHandingOn(handOn);
        thumbnail.Place(target, true);
        const auto figures = Measure(
            thumbnail.Source(),
            [&view] { return static_cast<double>(view.PaintCount() + view.HandedOnCount()); },
            session.SwayProcessId(), source.processId());
        if (!figures) {
            return Fail("no frames were shown");
        }
        Print(handOn ? "handed to the compositor" : "drawn by the program", *figures);
    }
    return 0;
}
