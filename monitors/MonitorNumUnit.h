// The number overlay of one display: a borderless, always-on-top window that covers the
// display and shows its number (index + 1) in large bold digits in the middle.
#pragma once

#include <QWidget>

class QLabel;

class TMonitorNumForm : public QWidget {
    Q_OBJECT
  public:
    // Overlays have no owner: the operation that makes them destroys them.
    TMonitorNumForm();

    // Numbers the overlay after the 0-based display index and gives it that display's
    // rectangle (as the window query reports it, in device pixels) as its outer bounds.
    void PlaceOnMonitor(int displayIndex);

    QLabel* MonitorNumLabel() const { return FMonitorNumLabel; }

  private:
    void FormCreate();

    QLabel* FMonitorNumLabel = nullptr;
};
