// Soak run of the real program: on a private Xvfb with two monitors, four clones stay live
// while thousands of top-level windows are created, renamed and destroyed around them, the
// sources are resized and a clone is now and then closed and opened again by a click.
// Prints what was done, the program's memory and X resources, and fails when the memory
// grew by 2 MiB or more after the warm-up, or the X server holds more windows, pixmaps,
// GCs, pictures or damage objects for the program at the end than at the baseline.
//
//   soak [seconds]     (or VANTREL_SOAK_SECONDS; 600 by default)
#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <cstdio>
#include <thread>

#include "bench/soak_churn.h"
#include "bench/soak_probe.h"
#include "bench/soak_scene.h"
#include "tests/e2e/app_e2e_support.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

constexpr int kSources = 4;
constexpr int kCloneDisplay = 1;  // clones go to the second monitor, away from the list
constexpr long kAllowedGrowthKiB = 2048;

struct Soak {
    XvfbServer& server;
    XClient& x;
    QRect main;
    std::uint32_t base = 0;
    pid_t pid = 0;
    std::vector<SourceClient>& sources;
    WindowChurn& churn;
    long toggles = 0;

    // Display button `display` of row k, in root coordinates (inside the list's frame).
    QPoint Button(int row, int display) const {
        return main.topLeft() + QPoint(6 + 2 + 6 + 39 * display + 16, 64 + 2 + 1 + 28 * row + 12);
    }

    // The program's viewable windows covering the second monitor.
    int Clones() {
        const MonitorSpec m = SoakDesktop().monitors[kCloneDisplay];
        int clones = 0;
        for (std::uint32_t w : x.RootChildren()) {
            if (ResourceBase(x.Connection(), w) == base && x.IsViewable(w) &&
                x.Geometry(w) == QRect(m.x, m.y, m.width, m.height)) {
                ++clones;
            }
        }
        return clones;
    }

    void Click(QPoint p) {
        x.Click(p.x(), p.y());
        x.MoveTo(1590, 5);  // off every window, so no tool tip comes up
    }

    bool ToggleClone(int row) {
        Click(Button(row, kCloneDisplay));
        const bool closed = WaitUntil([&] { return Clones() == kSources - 1; }, 10000);
        Click(Button(row, kCloneDisplay));
        const bool opened = WaitUntil([&] { return Clones() == kSources; }, 10000);
        ++toggles;
        churn.ResetClock();
        return closed && opened;
    }

    // Churn at the set rate; sources resized every 1.5 s, a clone toggled every 8 s.
    bool Run(double seconds) {
        QElapsedTimer clock;
        clock.start();
        churn.ResetClock();
        qint64 nextResize = 1500;
        qint64 nextToggle = 8000;
        std::size_t resized = 0;
        while (clock.elapsed() < static_cast<qint64>(seconds * 1000)) {
            churn.Step();
            if (clock.elapsed() >= nextResize) {
                ResizeSource(sources[resized++ % sources.size()]);
                nextResize += 1500;
            }
            if (clock.elapsed() >= nextToggle) {
                if (!ToggleClone(static_cast<int>(toggles % kSources))) {
                    std::fprintf(stderr, "soak: a clone did not close and open again\n");
                    return false;
                }
                nextToggle += 8000;
            }
            if (!WindowAlive()) {
                std::fprintf(stderr, "soak: the program ended during the run\n");
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the driver's pace
        }
        return true;
    }

    bool WindowAlive() { return x.Exists(MainWindow()); }
    std::uint32_t mainWindow = 0;
    std::uint32_t MainWindow() const { return mainWindow; }

    // Every churn window gone and the program idle again.
    void Drain() {
        churn.DestroyAll();
        churn.Sync();
        if (!WaitForQuiet(pid, 500, 15000)) {
            std::fprintf(stderr, "soak: the program did not become idle\n");
        }
    }
};

int Fail(const char* why) {
    std::fprintf(stderr, "soak: %s\n", why);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = NumberArgument(argc, argv, "VANTREL_SOAK_SECONDS", 600);
    const double warmUp = std::clamp(seconds / 6.0, 5.0, 60.0);

    TestDesktop desktop(SoakDesktop());
    if (!desktop.Ready()) {
        return Fail("Xvfb with two monitors did not start");
    }
    XvfbServer& server = desktop.Server();
    XClient& x = desktop.X();
    std::vector<SourceClient> sources = StartSources(desktop, kSources);
    const EndSourcesAtExit endSources{sources};
    if (sources.size() != kSources) {
        return Fail("the source clients did not come up");
    }
    VantrelRun run(server);
    QProcess& vantrel = run.Start();
    const auto windows = WaitForWindows(x, QStringLiteral("Quillane Vantrel"), 10000);
    if (windows.size() != 1) {
        return Fail("no main window");
    }
    WindowChurn::Options options;
    WindowChurn churn(server.Display(), options);
    Soak soak{server,
              x,
              x.Geometry(windows[0]).value_or(QRect()),
              ResourceBase(x.Connection(), windows[0]),
              static_cast<pid_t>(vantrel.processId()),
              sources,
              churn};
    soak.mainWindow = windows[0];
    if (soak.Button(kSources - 1, kCloneDisplay).x() >= SoakDesktop().monitors[kCloneDisplay].x) {
        return Fail("the list's buttons lie on the clones' monitor");
    }
    // The sources' rows come first; open one clone from each.
    const QRgb background = x.PixelAt(soak.main.x() + 600, soak.main.y() + 64 + 390);
    if (!WaitUntil(
            [&] {
                const QPoint p = soak.Button(kSources - 1, 0);
                return !SameColour(x.PixelAt(p.x(), p.y()), background, 4);
            },
            10000)) {
        return Fail("the sources' rows did not appear");
    }
    for (int row = 0; row < kSources; ++row) {
        soak.Click(soak.Button(row, kCloneDisplay));
        if (!WaitUntil([&] { return soak.Clones() == row + 1; }, 10000)) {
            return Fail("a display button opened no clone");
        }
    }
    WaitForQuiet(soak.pid, 300, 5000);
    const ResourceCounts start = ClientResources(x.Connection(), soak.base);
    const long rssStart = ResidentKiB(soak.pid);

    std::printf("soak: %d s (%.0f s warm-up), %.0f operations/s, %d to %d churn windows alive\n",
                seconds, warmUp, options.operationsPerSecond, options.minAlive, options.maxAlive);
    if (!soak.Run(warmUp)) {
        return 1;
    }
    soak.Drain();
    const ResourceCounts baseline = ClientResources(x.Connection(), soak.base);
    const long rssBaseline = ResidentKiB(soak.pid);
    const long serverBaseline = ResidentKiB(server.Pid());
    const double cpuBefore = ProcessorSeconds(soak.pid);
    const WindowChurn::Totals before = churn.Done();
    QElapsedTimer measured;
    measured.start();
    if (!soak.Run(seconds - warmUp)) {
        return 1;
    }
    const double runSeconds = static_cast<double>(measured.elapsed()) / 1000.0;
    const double cpu = ProcessorSeconds(soak.pid) - cpuBefore;
    const long measuredOps = churn.Done().operations - before.operations;
    soak.Drain();
    const ResourceCounts end = ClientResources(x.Connection(), soak.base);
    const long rssEnd = ResidentKiB(soak.pid);
    const int clonesAtEnd = soak.Clones();

    const WindowChurn::Totals& done = churn.Done();
    std::printf("operations %ld (created %ld, renamed %ld, destroyed %ld), clone toggles %ld\n",
                done.operations, done.created, done.renamed, done.destroyed, soak.toggles);
    std::printf("program processor time while churning: %.1f%% (%.2f ms per operation)\n",
                100.0 * cpu / runSeconds, 1000.0 * cpu / std::max(1L, measuredOps));
    std::printf("program RSS: start %ld KiB, after warm-up %ld KiB, end %ld KiB, growth %+ld KiB\n",
                rssStart, rssBaseline, rssEnd, rssEnd - rssBaseline);
    std::printf("Xvfb RSS: after warm-up %ld KiB, end %ld KiB\n", serverBaseline,
                ResidentKiB(server.Pid()));
    const bool resourcesOk = ReportResources(start, baseline, end);
    std::printf("clones live at the end: %d of %d\n", clonesAtEnd, kSources);

    bool ok = resourcesOk;
    if (rssEnd - rssBaseline >= kAllowedGrowthKiB) {
        std::printf("FAIL: resident memory grew by %ld KiB\n", rssEnd - rssBaseline);
        ok = false;
    }
    if (clonesAtEnd != kSources) {
        std::printf("FAIL: %d clones live at the end\n", clonesAtEnd);
        ok = false;
    }
    // The program still answers: Exit ends it cleanly.
    soak.Click(soak.main.topLeft() + QPoint(632 + 44, 520 + 12));
    const auto code = WaitForExit(vantrel, 10000);
    if (code != 0) {
        std::printf("FAIL: the program did not end cleanly after Exit\n");
        ok = false;
    }
    std::printf("%s\n", ok ? "soak: no leak" : "soak: FAILED");
    return ok ? 0 : 1;
}
