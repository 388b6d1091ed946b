// The number overlay of one display: a borderless, always-on-top window that covers the
// display and shows its number (index + 1) in large bold digits in the middle.
#pragma once

#include <QWidget>

class QLabel;
class DisplayList;

class TMonitorNumForm : public QWidget {
    Q_OBJECT
  public:
    // Overlays have no owner: the operation that makes them destroys them.
    explicit TMonitorNumForm(DisplayList& displays);

    // Numbers the overlay after the 0-based display index and gives it that display's
    // rectangle (as the display list reports it, in device pixels) as its outer bounds; a
    // display that is not there (any more) gives an empty rectangle at the origin.
    void PlaceOnMonitor(int displayIndex);
    // Where windows are placed by output only (Wayland): PlaceOnMonitor makes the overlay
    // full screen on the display's named screen instead of giving it a geometry.
    void SetScreenPlacement(bool byScreen) { byScreen_ = byScreen; }

    QLabel* MonitorNumLabel() const { return monitorNumLabel_; }

  private:
    void FormCreate();

    DisplayList& displays_;
    QLabel* monitorNumLabel_ = nullptr;
    bool byScreen_ = false;
};
