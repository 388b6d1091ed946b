// How often the idle refresh runs, and how much processor time the program uses, while
// nothing happens and while a window's title changes ten times a second. Runs the real
// event loop over the fake backend; then, when built with the e2e support, the real program
// on a private Xvfb, left alone for a while (10 s, or the seconds given as the argument).
// Prints figures only.
//
//   idle_bench [seconds]
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "l10n/Session.h"
#include "mainwindow/MainForm.h"
#include "tests/support/fake/FakePlatform.h"
#ifdef VANTREL_IDLE_BENCH_PROGRAM
#include "bench/idle_bench_program.h"
#endif

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void RunFor(int ms, const char* what, FakePlatform& fake, const std::function<void()>& tick) {
    QTimer ticker;
    if (tick) {
        QObject::connect(&ticker, &QTimer::timeout, tick);
        ticker.start(100);
    }
    const int refreshesBefore = fake.SnapshotCalls();
    const double cpuBefore = CpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    std::printf("%-28s %5d refreshes in %d ms, %.3f s processor time\n", what,
                fake.SnapshotCalls() - refreshesBefore, ms, CpuSeconds() - cpuBefore);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    FakePlatform fake;
    const Session session(fake.Encodings(), 0x0409);
    std::vector<WindowHandle> handles;
    for (int i = 0; i < 50; ++i) {
        handles.push_back(fake.AddWindow(QStringLiteral("Window %1").arg(i)));
    }
    TMainForm form(session, fake);
    form.PrepareToRun(0x0409);
    form.show();
    RunFor(500, "settling", fake, {});
    RunFor(3000, "idle, nothing changes", fake, {});
    int n = 0;
    RunFor(3000, "title changes 10 times/s", fake,
           [&] { fake.RenameWindow(handles[7], QStringLiteral("Tick %1").arg(++n)); });
#ifdef VANTREL_IDLE_BENCH_PROGRAM
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    return MeasureRealProgramIdle(seconds);
#else
    return 0;
#endif
}
