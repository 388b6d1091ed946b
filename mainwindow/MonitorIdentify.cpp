#include "mainwindow/MonitorIdentify.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <exception>
#include <memory>
#include <vector>

#include "monitors/MonitorNumUnit.h"
#include "platform/ImportUnit.h"

namespace {

constexpr int kStepMs = 100;
constexpr int kStepsPerSecond = 1000 / kStepMs;

int gWaitingRuns = 0;

// Counts a run as waiting for as long as it lives.
class TWaitingRun {
  public:
    TWaitingRun() { ++gWaitingRuns; }
    ~TWaitingRun() { --gWaitingRuns; }
    TWaitingRun(const TWaitingRun&) = delete;
    TWaitingRun& operator=(const TWaitingRun&) = delete;
};

// The overlays of one run; they go in list order, whichever way the run ends.
class TOverlayList {
  public:
    TOverlayList() = default;
    TOverlayList(const TOverlayList&) = delete;
    TOverlayList& operator=(const TOverlayList&) = delete;
    ~TOverlayList() {
        for (auto& overlay : FOverlays) {
            overlay.reset();
        }
    }

    void CreateAndPlace(int displayCount) {
        for (int i = 0; i < displayCount; ++i) {
            FOverlays.push_back(std::make_unique<TMonitorNumForm>());
            FOverlays.back()->PlaceOnMonitor(i);
        }
    }

    void ShowAll() {
        for (auto& overlay : FOverlays) {
            overlay->show();
        }
    }

  private:
    std::vector<std::unique_ptr<TMonitorNumForm>> FOverlays;
};

// Waits one step in a local event loop. Returns false when the loop was ended by someone
// else than the step's timer: the application is quitting.
bool WaitOneStep() {
    QDeadlineTimer stepEnd(kStepMs, Qt::PreciseTimer);
    while (!stepEnd.hasExpired()) {
        QEventLoop loop;
        bool timedOut = false;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        timer.start(static_cast<int>(stepEnd.remainingTime()) + 1);
        loop.exec();
        if (!timedOut) {
            return false;
        }
    }
    return true;
}

void Wait(int seconds) {
    const long long steps = static_cast<long long>(seconds) * kStepsPerSecond;
    TWaitingRun waiting;
    for (long long step = 0; step < steps; ++step) {
        if (!WaitOneStep()) {
            return;
        }
    }
}

}  // namespace

void ShowMonitorNumbers(int seconds) {
    TOverlayList overlays;
    try {
        overlays.CreateAndPlace(GetMonitorCount());
        overlays.ShowAll();
    } catch (const std::exception&) {
        // Out of memory while making the overlays: take down what was made and skip the
        // wait; nothing may leave through the event loop.
        return;
    }
    Wait(seconds);
}

bool IdleRefreshSuppressed() {
    return gWaitingRuns > 0;
}
