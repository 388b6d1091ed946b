// The displays of the X screen, numbered primary first, then by left, then by top.
//
// RandR 1.5 active monitors when the server has them (named by their monitor names), else
// the Xinerama screens, else the whole root window. Every call asks the server: the
// callers ask rarely and must always see the current layout. Watch() asks the server to
// report changes of the layout to this client: RandR screen, CRTC and output notifications,
// and the root's ConfigureNotify that a change of the RandR monitors brings.
#pragma once

#include <QRect>
#include <QString>

#include <vector>

#include "platform/DisplayList.h"
#include "platform/x11/connection/X11Context.h"

struct DisplayArea {
    QRect rect;
    QString name;
    bool primary = false;
};

// Puts displays in the program's numbering: the primary first, then by left, then by top.
// Empty areas and exact duplicates (cloned outputs) are dropped.
std::vector<DisplayInfo> NumberDisplays(std::vector<DisplayArea> displays);

class X11DisplayLayout {
  public:
    explicit X11DisplayLayout(X11Context& context);
    std::vector<DisplayInfo> Query();
    // Selects RandR change notifications on the root; false when the server has no RandR.
    bool Watch();
    // True for a RandR notification that the layout may have changed.
    bool IsChangeEvent(const xcb_generic_event_t* event) const;

  private:
    std::vector<DisplayArea> RandrMonitors();
    std::vector<DisplayArea> XineramaScreens();
    std::vector<DisplayArea> WholeScreen();

    X11Context& context_;
    bool haveRandr_ = false;
    bool haveRandrMonitors_ = false;
    bool haveXinerama_ = false;
    std::uint8_t randrFirstEvent_ = 0;
};
