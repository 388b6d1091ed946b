// Time from starting the real program on a private Xvfb until its main window is mapped, its
// resident memory once started, and the time until it has ended after a click on Exit.
// Medians of 10 runs (an argument sets the count). Prints figures only.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/e2e/app_e2e_support.h"
#include "tests/e2e/support/TestDesktop.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// VmRSS of a process in KiB, or -1 when it cannot be read.
double ResidentKiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toDouble();
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    TestDesktop desktop;
    if (!desktop.Ready()) {
        std::fprintf(stderr, "startup_bench: %s\n", desktop.Failure().c_str());
        return 1;
    }
    XClient& x = desktop.X();
    std::vector<double> mapped;
    std::vector<double> resident;
    std::vector<double> ended;
    for (int i = 0; i < runs; ++i) {
        VantrelRun run(desktop.Server());
        QElapsedTimer clock;
        clock.start();
        QProcess& vantrel = run.Start();
        const auto windows = WaitForWindows(x, QStringLiteral("Quillane Vantrel"), 10000);
        mapped.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (windows.empty()) {
            std::fprintf(stderr, "startup_bench: no main window\n");
            return 1;
        }
        // Once the window is up, let the first events settle before reading the memory.
        WaitUntil([] { return false; }, 300);
        resident.push_back(ResidentKiB(vantrel.processId()));
        const QRect bounds = x.Geometry(windows[0]).value_or(QRect());
        clock.start();
        x.Click(bounds.x() + 632 + 44, bounds.y() + 520 + 12);
        WaitForExit(vantrel, 10000);
        ended.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("start to main window mapped: %.1f ms (median of %d)\n", Median(mapped), runs);
    std::printf("resident memory after start: %.0f KiB (median of %d)\n", Median(resident), runs);
    std::printf("Exit click to process end:   %.1f ms (median of %d)\n", Median(ended), runs);
    return 0;
}
