// The displays of the X screen, numbered primary first, then by left, then by top.
//
// RandR 1.5 active monitors when the server has them, else the Xinerama screens, else the
// whole root window. Every call asks the server (one round trip): the callers ask rarely
// and must always see the current layout, and no event has to be trusted to say that a
// monitor was added with xrandr --setmonitor.
#pragma once

#include <vector>

#include "platform/Platform.h"
#include "platform/x11/X11Context.h"

struct MonitorArea {
    DisplayRect rect;
    bool primary = false;
};

// Puts monitors in the program's numbering: the primary first, then by left, then by top.
// Empty areas and exact duplicates (cloned outputs) are dropped.
std::vector<DisplayRect> NumberMonitors(std::vector<MonitorArea> monitors);

class X11Monitors {
  public:
    explicit X11Monitors(X11Context& context);
    int Count();
    DisplayRect Rect(int index);

  private:
    std::vector<DisplayRect> Query();
    std::vector<MonitorArea> RandrMonitors();
    std::vector<MonitorArea> XineramaScreens();
    std::vector<MonitorArea> WholeScreen();

    X11Context& context_;
    bool haveRandrMonitors_ = false;
    bool haveXinerama_ = false;
};
