#include "monitors/MonitorIdentify.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <exception>
#include <memory>
#include <vector>

#include "monitors/MonitorNumberForm.h"
#include "platform/DisplayList.h"

namespace {

constexpr int kStepMs = 100;
constexpr int kStepsPerSecond = 1000 / kStepMs;

// Counts a run as waiting for as long as it lives.
class WaitingRun {
  public:
    explicit WaitingRun(int& runs) : runs_(runs) { ++runs_; }
    ~WaitingRun() { --runs_; }
    WaitingRun(const WaitingRun&) = delete;
    WaitingRun& operator=(const WaitingRun&) = delete;

  private:
    int& runs_;
};

// The overlays of one run; they go in list order, whichever way the run ends.
class OverlayList {
  public:
    OverlayList(DisplayList& displays, bool byScreen, const std::function<void(QWidget&)>& prepare)
        : displays_(displays), byScreen_(byScreen), prepare_(prepare) {}
    OverlayList(const OverlayList&) = delete;
    OverlayList& operator=(const OverlayList&) = delete;
    ~OverlayList() {
        for (auto& overlay : overlays_) {
            overlay.reset();
        }
    }

    void CreateAndPlace(int displayCount) {
        for (int i = 0; i < displayCount; ++i) {
            overlays_.push_back(std::make_unique<TMonitorNumForm>(displays_));
            overlays_.back()->SetScreenPlacement(byScreen_);
            overlays_.back()->PlaceOnMonitor(i);
            if (prepare_) {
                prepare_(*overlays_.back());
            }
        }
    }

    void ShowAll() {
        for (auto& overlay : overlays_) {
            overlay->show();
        }
    }

  private:
    DisplayList& displays_;
    bool byScreen_;
    const std::function<void(QWidget&)>& prepare_;
    std::vector<std::unique_ptr<TMonitorNumForm>> overlays_;
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

}  // namespace

void MonitorIdentify::Wait(int seconds) {
    const long long steps = static_cast<long long>(seconds) * kStepsPerSecond;
    WaitingRun waiting(waitingRuns_);
    for (long long step = 0; step < steps; ++step) {
        if (!WaitOneStep()) {
            return;
        }
    }
}

void MonitorIdentify::ShowMonitorNumbers(int seconds) {
    OverlayList overlays(displays_, byScreen_, prepare_);
    try {
        overlays.CreateAndPlace(displays_.Count());
        overlays.ShowAll();
    } catch (const std::exception&) {
        // Out of memory while making the overlays: take down what was made and skip the
        // wait; nothing may leave through the event loop.
        return;
    }
    Wait(seconds);
}
