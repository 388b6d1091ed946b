// Runs the identify operation on the X server of $DISPLAY with the real X11 backend and
// reports on standard output: one "monitor <i> <left> <top> <width> <height>" line per
// display, then "shown", then "returned <ms>" when the operation has returned. It then
// waits for a line on standard input (or at most 30 s) before it ends, so the test can
// look at the screen after the overlays are gone.
//   monitors_identify_probe <seconds>
#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include <memory>

#include "monitors/MonitorIdentify.h"
#include "platform/x11/X11Platform.h"

namespace {

void Say(const char* format, auto... values) {
    std::printf(format, values...);
    std::fflush(stdout);
}

void ReportMonitors(DisplayList& displays) {
    int i = 0;
    for (const DisplayInfo& display : displays.Displays()) {
        const QRect& r = display.rect;
        Say("monitor %d %d %d %d %d\n", i++, r.x(), r.y(), r.width(), r.height());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: monitors_identify_probe <seconds>\n");
        return 2;
    }
    const int seconds = std::atoi(argv[1]);
    const std::unique_ptr<Platform> platform = CreateX11Platform();
    QApplication app(argc, argv);
    TMonitorIdentify identify(platform->Displays());

    QTimer::singleShot(0, [seconds, &platform, &identify] {
        ReportMonitors(platform->Displays());
        Say("shown\n");
        QElapsedTimer clock;
        clock.start();
        identify.ShowMonitorNumbers(seconds);
        Say("returned %lld\n", static_cast<long long>(clock.elapsed()));
    });
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    QTimer::singleShot(30000 + seconds * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}
