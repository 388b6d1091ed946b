// Cost of one idle refresh of the main window's list over the fake backend, with 10, 100
// and 1000 windows: nothing changed, one title changed, and one window replaced by another;
// then the same against real windows on a private Xvfb, with the X traffic of a refresh.
// Prints figures only.
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>
#include <functional>

#include "bench/creation_counter.h"
#include "l10n/Session.h"
#include "mainwindow/MainForm.h"
#include "tests/support/fake/FakePlatform.h"
#ifdef VANTREL_REFRESH_BENCH_X11
#include "bench/refresh_bench_x11.h"
#endif

namespace {

void Measure(const char* what, int windows, TMainForm& form, int rounds,
             const std::function<void(int)>& change) {
    CreationCounter counter(form.RowHost());
    QElapsedTimer clock;
    qint64 total = 0;
    for (int i = 0; i < rounds; ++i) {
        change(i);
        clock.start();
        form.ApplicationIdle();
        total += clock.nsecsElapsed();
        QCoreApplication::sendPostedEvents();
    }
    std::printf("%-22s %5d windows: %9.1f us per refresh, %5.2f widgets created per refresh\n",
                what, windows, static_cast<double>(total) / rounds / 1000.0,
                static_cast<double>(counter.created) / rounds);
}

void Run(int windows) {
    FakePlatform fake;
    const Session session(fake.Encodings(), 0x0409);
    fake.SetMonitors({{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}});
    std::vector<WindowHandle> handles;
    for (int i = 0; i < windows; ++i) {
        handles.push_back(fake.AddWindow(QStringLiteral("Window number %1").arg(i)));
    }
    TMainForm form(session, fake);
    form.show();
    QCoreApplication::processEvents();
    const int rounds = windows >= 1000 ? 50 : 500;
    Measure("nothing changed", windows, form, rounds, [](int) {});
    Measure("one title changed", windows, form, rounds, [&](int i) {
        fake.RenameWindow(handles[static_cast<std::size_t>(windows / 2)],
                          QStringLiteral("Renamed %1").arg(i));
    });
    Measure("one window replaced", windows, form, rounds, [&](int i) {
        fake.RemoveWindow(fake.WindowRecords().front().handle);
        fake.AddWindow(QStringLiteral("New window %1").arg(i));
    });
}

}  // namespace

int main(int argc, char** argv) {
#ifdef VANTREL_REFRESH_BENCH_X11
    if (argc > 1 && std::strcmp(argv[1], kRefreshBenchX11Argument) == 0) {
        return RunX11RefreshBench(argc, argv);
    }
#endif
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    for (int windows : {10, 100, 1000}) {
        Run(windows);
    }
#ifdef VANTREL_REFRESH_BENCH_X11
    std::fflush(stdout);
    return RunRefreshBenchOnXvfb(QCoreApplication::applicationFilePath().toLocal8Bit().constData());
#else
    return 0;
#endif
}
