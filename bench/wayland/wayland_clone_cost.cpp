// CPU per frame of a clone on the Wayland backend: the test source sends 1280x720 BGRx at
// 60 fps through a private PipeWire; the program receives each frame through the portal
// stand-in's stream and draws it fitted into a 1920x1080 clone. Prints the program's CPU
// time per drawn frame (its PipeWire thread included) and the source's, for comparison with
// the X11 clone's figure from clone_cost. Qt's offscreen platform stands in for the
// compositor unless QT_QPA_PLATFORM names another one.
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

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    WaylandTestSession session(SessionServers{.pipeWire = true, .sway = false});
    if (!session.Problem().isEmpty()) {
        return Fail(session.Problem().toLocal8Bit().constData());
    }
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
    clone.setGeometry(0, 0, 1920, 1080);
    clone.setStyleSheet(QStringLiteral("background: black"));
    clone.show();
    WaylandThumbnail thumbnail(clone.windowHandle(), windows.SourceFor(chosen));
    thumbnail.Place(QRect(0, 0, 1920, 1080), true);
    const FrameView* view = thumbnail.View();
    if (!WaylandTestSession::WaitUntil([&] { return view->PaintCount() >= kWarmUpFrames; },
                                       10000)) {
        return Fail("no frames were drawn");
    }

    const std::uint64_t paintsBefore = view->PaintCount();
    const std::uint64_t framesBefore = windows.SourceFor(chosen)->Stream()->FramesReceived();
    const double cpuBefore = OwnCpuSeconds();
    const double sourceBefore = ProcessCpuSeconds(source.processId());
    QElapsedTimer clock;
    clock.start();
    WaylandTestSession::WaitUntil(
        [&] { return view->PaintCount() >= paintsBefore + kMeasuredFrames; }, 20000);
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double cpu = OwnCpuSeconds() - cpuBefore;
    const double sourceCpu = ProcessCpuSeconds(source.processId()) - sourceBefore;
    const auto painted = static_cast<double>(view->PaintCount() - paintsBefore);
    const auto received =
        static_cast<double>(windows.SourceFor(chosen)->Stream()->FramesReceived() - framesBefore);

    std::printf("Wayland clone, 1280x720 BGRx SHM at 60 fps into 1920x1080 (%s):\n",
                QGuiApplication::platformName().toLocal8Bit().constData());
    std::printf("  %.0f frames received, %.0f drawn in %.2f s (%.1f drawn per second)\n", received,
                painted, seconds, painted / seconds);
    std::printf("  program CPU per drawn frame: %.2f ms (%.1f %% of one core)\n",
                painted > 0 ? cpu * 1000 / painted : 0.0, cpu * 100 / seconds);
    std::printf("  test source CPU per frame:   %.2f ms\n",
                received > 0 ? sourceCpu * 1000 / received : 0.0);
    return 0;
}
