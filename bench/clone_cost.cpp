// What a live clone costs: a source animating a 1280x720 window at 60 frames a second is
// mirrored for a while onto a 1280x720 display (1:1) and a 1920x1080 display (scaled), first
// by the compositor thumbnails, then by a mirror that copies the pixels itself. Prints the
// frames mirrored per second and the CPU milliseconds per mirrored frame spent by the
// mirroring process and by the X server, and the ratios. Asserts nothing.
//   clone_cost [seconds per run, default 20]
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <memory>

#include "bench/frame_counter.h"
#include "clone/CloneForm.h"
#include "platform/x11/X11Platform.h"
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

// User plus system CPU of a process in milliseconds, from /proc/<pid>/stat.
double ProcessCpuMs(qint64 pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(text.substr(close + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) {
        fields >> skip;
    }
    double utime = 0;
    double stime = 0;
    fields >> utime >> stime;
    return (utime + stime) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double SelfCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void RunEventLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

Result CloneRun(const XvfbServer& server, Platform& platform, WindowHandle source, int display,
                int seconds) {
    auto clone =
        std::make_unique<TCloneForm>(platform.Thumbnails(), platform.Displays(), platform.System());
    clone->show();
    clone->StartClone(source, display);
    RunEventLoopFor(1000);
    DamageFrameCounter counter(server.Display(), static_cast<std::uint32_t>(clone->winId()));
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&counter] { counter.Poll(); });
    poll.start(2);
    const double self0 = SelfCpuMs();
    const double server0 = ProcessCpuMs(server.Pid());
    QElapsedTimer clock;
    clock.start();
    RunEventLoopFor(seconds * 1000);
    counter.Poll();
    Result r;
    r.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    r.frames = static_cast<double>(counter.Frames());
    r.mirrorCpuMs = SelfCpuMs() - self0;
    r.serverCpuMs = ProcessCpuMs(server.Pid()) - server0;
    clone->CloseClone();
    return r;
}

Result CopierRun(const XvfbServer& server, WindowHandle source, const QRect& target, int seconds) {
    TestProgram copier(
        QStringLiteral(CLONE_COST_COPIER),
        {QString::number(source, 16), QString::number(target.x()), QString::number(target.y()),
         QString::number(target.width()), QString::number(target.height())},
        server.Environment());
    Result r;
    if (copier.ReadLine(10000) != "ready") {
        return r;
    }
    const double server0 = ProcessCpuMs(server.Pid());
    QElapsedTimer clock;
    clock.start();
    RunEventLoopFor(seconds * 1000);
    r.mirrorCpuMs = ProcessCpuMs(copier.Pid());
    r.serverCpuMs = ProcessCpuMs(server.Pid()) - server0;
    copier.Stop(10000);
    r.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    const QByteArray out = copier.Process().readAllStandardOutput();
    const auto at = out.indexOf("frames ");
    r.frames = at < 0 ? 0 : out.mid(at + 7).trimmed().toDouble();
    return r;
}

void Print(const char* name, const Result& r) {
    std::printf("%-28s %8.1f fps  %8.3f ms/frame mirror  %8.3f ms/frame X server  %8.3f total\n",
                name, r.Fps(), r.MirrorMsPerFrame(), r.ServerMsPerFrame(),
                r.MirrorMsPerFrame() + r.ServerMsPerFrame());
}

void PrintRatio(const char* name, const Result& compositor, const Result& copier) {
    const double a = compositor.MirrorMsPerFrame() + compositor.ServerMsPerFrame();
    const double b = copier.MirrorMsPerFrame() + copier.ServerMsPerFrame();
    std::printf(
        "%-28s copying / compositor CPU per frame: mirror %.1fx, X server %.1fx, total "
        "%.1fx\n",
        name, copier.MirrorMsPerFrame() / std::max(compositor.MirrorMsPerFrame(), 1e-6),
        copier.ServerMsPerFrame() / std::max(compositor.ServerMsPerFrame(), 1e-6),
        b / std::max(a, 1e-6));
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
    std::printf("%-28s %8.3f ms/frame X server (source alone, no mirror)\n", "baseline",
                (ProcessCpuMs(server.Pid()) - idle0) / (seconds * 60.0));
    const Result compositor1 = CloneRun(server, *platform, window, 1, seconds);
    Print("compositor 1:1 (1280x720)", compositor1);
    const Result compositor2 = CloneRun(server, *platform, window, 2, seconds);
    Print("compositor scaled (1920x1080)", compositor2);
    const Result copier1 = CopierRun(server, window, QRect(1280, 0, 1280, 720), seconds);
    Print("copying 1:1 (1280x720)", copier1);
    const Result copier2 = CopierRun(server, window, QRect(2560, 0, 1920, 1080), seconds);
    Print("copying scaled (1920x1080)", copier2);
    PrintRatio("1:1", compositor1, copier1);
    PrintRatio("scaled", compositor2, copier2);
    source.Stop();
    return 0;
}
