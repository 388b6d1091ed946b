// The displays on Wayland: Qt's screens, one per output, named as the compositor names
// the outputs ("DP-1", "HEADLESS-2"), primary first, then by position.
#pragma once

#include "platform/DisplayList.h"

class QScreen;

class WaylandDisplayList : public DisplayList {
    Q_OBJECT
  public:
    WaylandDisplayList();
    std::vector<DisplayInfo> Displays() override;
    // The screen of a display as Displays() gives it, for QWindow::setScreen().
    static QScreen* ScreenOf(const DisplayInfo& display);

  private:
    void Watch(QScreen* screen);
};
