// What a live clone costs: a source animating a 1280x720 window at 60 frames a second is
// mirrored for a while onto a 1280x720 display (1:1) and a 1920x1080 display (scaled), first
// by the compositor thumbnails (also cropped to its middle and rotated, fitted or filling the
// display, or turned 180), then by a minimal zero-copy mirror (clone_cost_minimal: the floor),
// then by a mirror that copies the pixels itself. Prints the frames mirrored per second and the
// CPU milliseconds per mirrored frame spent by the mirroring process and by the X server (run
// times from the scheduler), and the ratios. Asserts nothing.
//   clone_cost [seconds per run, default 20]
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include <memory>

#include "bench/process_cpu.h"
#include "clone/CloneForm.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/thumbnails/X11Compositor.h"
#include "tests/e2e/support/TestDesktop.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

struct Result {
    double seconds = 0;
    double frames = 0;
    double mirrorCpuMs = 0;
    double serverCpuMs = 0;
    double Fps() const { return frames / seconds; }
    double MirrorMsPerFrame() const { return frames > 0 ? mirrorCpuMs / frames : 0; }
    double ServerMsPerFrame() const { return frames > 0 ? serverCpuMs / frames : 0; }
};

double SelfCpuMs() {
    return ProcessCpuMs(QCoreApplication::applicationPid());
}

void RunEventLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// crop, turn and mode: how the clone shows its source (the whole of it, unturned, fitted, by
// default).
Result CloneRun(const XvfbServer& server, Platform& platform, WindowHandle source, int display,
                int seconds, const CloneCrop& crop = {}, ImageTurn turn = ImageTurn::None,
                CloneMode mode = CloneMode::Fit) {
    auto clone =
        std::make_unique<TCloneForm>(platform.Compositor(), platform.Displays(), platform.System());
    clone->show();
    clone->StartClone(source, display);
    clone->SetLook(mode, crop, turn);
    RunEventLoopFor(1000);
    // The compositor counts its own frames, so nothing else runs in this process.
    const auto* compositor = dynamic_cast<const X11Compositor*>(&platform.Compositor());
    const std::uint64_t frames0 = compositor != nullptr ? compositor->FramesDrawn() : 0;
    const double self0 = SelfCpuMs();
    const double server0 = ProcessCpuMs(server.Pid());
    QElapsedTimer clock;
    clock.start();
    RunEventLoopFor(seconds * 1000);
    Result r;
    r.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    r.frames = static_cast<double>(compositor != nullptr ? compositor->FramesDrawn() - frames0 : 0);
    r.mirrorCpuMs = SelfCpuMs() - self0;
    r.serverCpuMs = ProcessCpuMs(server.Pid()) - server0;
    clone->CloseClone();
    return r;
}

// A mirror in a process of its own (the copying one or the minimal one), which counts the
// frames it drew.
Result MirrorRun(const char* program, const XvfbServer& server, WindowHandle source,
                 const QRect& target, int seconds) {
    TestProgram copier(
        QString::fromUtf8(program),
        {QString::number(source, 16), QString::number(target.x()), QString::number(target.y()),
         QString::number(target.width()), QString::number(target.height())},
        server.Environment());
    Result r;
    if (copier.ReadLine(10000) != "ready") {
        return r;
    }
    const double mirror0 = ProcessCpuMs(copier.Pid());
    const double server0 = ProcessCpuMs(server.Pid());
    QElapsedTimer clock;
    clock.start();
    RunEventLoopFor(seconds * 1000);
    r.mirrorCpuMs = ProcessCpuMs(copier.Pid()) - mirror0;
    r.serverCpuMs = ProcessCpuMs(server.Pid()) - server0;
    copier.Stop(10000);
    r.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    const QByteArray out = copier.Process().readAllStandardOutput();
    const auto at = out.indexOf("frames ");
    r.frames = at < 0 ? 0 : out.mid(at + 7).trimmed().toDouble();
    return r;
}

void Print(const char* name, const Result& r) {
    std::printf("%-33s %8.1f fps  %8.3f ms/frame mirror  %8.3f ms/frame X server  %8.3f total\n",
                name, r.Fps(), r.MirrorMsPerFrame(), r.ServerMsPerFrame(),
                r.MirrorMsPerFrame() + r.ServerMsPerFrame());
}

void PrintRatio(const char* name, const char* other, const Result& compositor,
                const Result& copier) {
    const double a = compositor.MirrorMsPerFrame() + compositor.ServerMsPerFrame();
    const double b = copier.MirrorMsPerFrame() + copier.ServerMsPerFrame();
    std::printf(
        "%-8s %-8s / compositor CPU per frame: mirror %.2fx, X server %.2fx, total "
        "%.2fx\n",
        name, other, copier.MirrorMsPerFrame() / std::max(compositor.MirrorMsPerFrame(), 1e-6),
        copier.ServerMsPerFrame() / std::max(compositor.ServerMsPerFrame(), 1e-6),
        b / std::max(a, 1e-6));
}

// The clone against the minimal mirror: how many times the floor's cost it takes.
void PrintAgainstFloor(const char* name, const Result& compositor, const Result& minimal) {
    std::printf(
        "%-8s compositor / minimal CPU per frame: program %.2fx, X server %.2fx; %.1f of "
        "%.1f frames a second shown\n",
        name, compositor.MirrorMsPerFrame() / std::max(minimal.MirrorMsPerFrame(), 1e-6),
        compositor.ServerMsPerFrame() / std::max(minimal.ServerMsPerFrame(), 1e-6),
        compositor.Fps(), minimal.Fps());
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    DesktopOptions options;
    options.width = 4480;
    options.height = 1080;
    options.monitors = {
        {0, 0, 1280, 720, true}, {1280, 0, 1280, 720, false}, {2560, 0, 1920, 1080, false}};
    TestDesktop desktop(options);
    if (!desktop.Ready()) {
        std::fprintf(stderr, "could not start Xvfb with three monitors: %s\n",
                     desktop.Failure().c_str());
        return 1;
    }
    const XvfbServer& server = desktop.Server();
    server.Export();
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication app(argc, argv);
    const std::unique_ptr<Platform> platform = CreateX11Platform();
    TestProgram& source = desktop.Start(QStringLiteral(CLONE_COST_SOURCE));
    const auto window = static_cast<WindowHandle>(source.ReadAnnouncedWindow(10000));
    if (window == 0) {
        std::fprintf(stderr, "the animated source did not start\n");
        return 1;
    }
    std::printf("source: 1280x720 at 60 fps; %d s per run\n", seconds);

    // The source's own drawing costs the server too: the baseline under every figure below.
    const double idle0 = ProcessCpuMs(server.Pid());
    RunEventLoopFor(seconds * 1000);
    std::printf("%-33s %8.3f ms/frame X server (source alone, no mirror)\n", "baseline",
                (ProcessCpuMs(server.Pid()) - idle0) / (seconds * 60.0));
    const Result compositor1 = CloneRun(server, *platform, window, 1, seconds);
    Print("compositor 1:1 (1280x720)", compositor1);
    const Result compositor2 = CloneRun(server, *platform, window, 2, seconds);
    Print("compositor scaled (1920x1080)", compositor2);
    // The middle of the source, rotated: the same one composite, another transform.
    const Result turned =
        CloneRun(server, *platform, window, 2, seconds,
                 {QRect(320, 180, 640, 360), QSize(1280, 720)}, ImageTurn::Rotate90);
    Print("compositor cropped, rotated", turned);
    // The same filling the whole display: as many pixels drawn as the scaled clone.
    const Result turnedFilled = CloneRun(server, *platform, window, 2, seconds,
                                         {QRect(320, 180, 640, 360), QSize(1280, 720)},
                                         ImageTurn::Rotate90, CloneMode::Fill);
    Print("compositor cropped, rotated, fill", turnedFilled);
    // Mirrored both ways: one composite with a negative scale.
    const Result mirrored =
        CloneRun(server, *platform, window, 2, seconds,
                 {QRect(320, 180, 640, 360), QSize(1280, 720)}, ImageTurn::Rotate180);
    Print("compositor cropped, 180", mirrored);
    const Result minimal1 =
        MirrorRun(CLONE_COST_MINIMAL, server, window, QRect(1280, 0, 1280, 720), seconds);
    Print("minimal 1:1 (1280x720)", minimal1);
    const Result minimal2 =
        MirrorRun(CLONE_COST_MINIMAL, server, window, QRect(2560, 0, 1920, 1080), seconds);
    Print("minimal scaled (1920x1080)", minimal2);
    const Result copier1 =
        MirrorRun(CLONE_COST_COPIER, server, window, QRect(1280, 0, 1280, 720), seconds);
    Print("copying 1:1 (1280x720)", copier1);
    const Result copier2 =
        MirrorRun(CLONE_COST_COPIER, server, window, QRect(2560, 0, 1920, 1080), seconds);
    Print("copying scaled (1920x1080)", copier2);
    PrintRatio("1:1", "copying", compositor1, copier1);
    PrintRatio("scaled", "copying", compositor2, copier2);
    PrintAgainstFloor("1:1", compositor1, minimal1);
    PrintAgainstFloor("scaled", compositor2, minimal2);
    for (const auto& [name, run] : {std::pair{"rotated", &turned},
                                    {"rotated, filling,", &turnedFilled},
                                    {"turned 180", &mirrored}}) {
        std::printf("cropped and %s against scaled: %.2fx the X server's ms/frame\n", name,
                    compositor2.ServerMsPerFrame() > 0
                        ? run->ServerMsPerFrame() / compositor2.ServerMsPerFrame()
                        : 0.0);
    }
    source.Stop();
    return 0;
}
