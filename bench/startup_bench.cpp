// Time from starting the real program on a private Xvfb until its main window is mapped,
// and until it has ended after a click on Exit. Prints figures only.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

#include "tests/e2e/app_e2e_support.h"
#include "tests/e2e/support/WaitUntil.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    XvfbServer server;
    if (!server.Running()) {
        std::fprintf(stderr, "startup_bench: Xvfb did not start\n");
        return 1;
    }
    XClient x(server.Display());
    const int runs = 5;
    double mapped = 0;
    double ended = 0;
    for (int i = 0; i < runs; ++i) {
        VantrelRun run(server);
        QElapsedTimer clock;
        clock.start();
        QProcess& vantrel = run.Start();
        const auto windows = WaitForWindows(x, QStringLiteral("Quillane Vantrel"), 10000);
        const double toMapped = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (windows.empty()) {
            std::fprintf(stderr, "startup_bench: no main window\n");
            return 1;
        }
        const QRect bounds = x.Geometry(windows[0]).value_or(QRect());
        clock.start();
        x.Click(bounds.x() + 632 + 44, bounds.y() + 520 + 12);
        WaitForExit(vantrel, 10000);
        ended += static_cast<double>(clock.nsecsElapsed()) / 1e6;
        mapped += toMapped;
    }
    std::printf("start to main window mapped: %.1f ms (mean of %d)\n", mapped / runs, runs);
    std::printf("Exit click to process end:   %.1f ms (mean of %d)\n", ended / runs, runs);
    return 0;
}
