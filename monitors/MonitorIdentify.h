// "Identify Monitors": every display shows its number for a given number of seconds.
#pragma once

#include <functional>
#include <utility>

class DisplayList;
class QWidget;

// Shows one number overlay per display for `seconds` seconds and returns when they are gone.
//
// All overlays are made and placed before the first is shown, so they come up together.
// The wait runs in steps of 100 ms; each step waits in a local event loop (no busy loop, no
// sleeping thread), so the main window keeps answering clicks at once. A waiting event loop
// announces that it is about to block, which is where the window list refreshes while the
// program is idle; that refresh must not run while the overlays are up, so it asks
// Waiting() and skips itself during the wait.
//
// A run started from inside the wait (the button pressed again) lays its overlays over the
// first set and finishes first; the outer run then goes on with its remaining steps. When the
// application is asked to quit during the wait, the wait ends early so the quit is not held
// up. With no display reported there is no overlay, but the full wait is still taken. The
// overlays go in display order (display 1 first), also when making one of them fails; such
// a failure skips the wait and is not reported. A negative duration waits nothing.
class MonitorIdentify {
  public:
    explicit MonitorIdentify(DisplayList& displays) : displays_(displays) {}
    MonitorIdentify(const MonitorIdentify&) = delete;
    MonitorIdentify& operator=(const MonitorIdentify&) = delete;

    void ShowMonitorNumbers(int seconds);
    // Overlays go full screen on their display's named screen (Wayland) instead of taking
    // its geometry.
    void SetScreenPlacement(bool byScreen) { byScreen_ = byScreen; }
    // Called with each overlay, placed and not yet shown, to mark it for the window system as
    // a window that is only looked at (on every workspace, out of the task list, never given
    // the keyboard).
    void SetPrepareOverlay(std::function<void(QWidget&)> prepare) { prepare_ = std::move(prepare); }
    // True while any run of ShowMonitorNumbers is waiting.
    bool Waiting() const { return waitingRuns_ > 0; }

  private:
    void Wait(int seconds);

    DisplayList& displays_;
    int waitingRuns_ = 0;
    bool byScreen_ = false;
    std::function<void(QWidget&)> prepare_;
};
