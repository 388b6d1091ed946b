// Snapshot of the top-level windows and their titles.
//
// Snapshot lists the desktop's windows (see X11TopLevels.h), leaves out the program's own
// and those a taskbar would not show, and answers titles from facts kept between snapshots
// (see X11WindowFacts.h): a snapshot of an unchanged desktop costs one round trip and a
// handful of requests however many windows there are, and windows that are new or changed
// cost a fixed number of round trips more.
//
// Freshness: membership and order are read at every Snapshot. Everything else kept is
// dropped by the X events that change it (property changes, creation, destruction, mapping,
// reparenting), so a Snapshot after such an event has been handled by the event loop reads
// it again. Each such event also wakes the event loop, whose idle refresh takes a snapshot.
#pragma once

#include <vector>

#include "platform/WindowList.h"
#include "platform/x11/connection/X11Context.h"
#include "platform/x11/windows/X11TopLevels.h"
#include "platform/x11/windows/X11WindowFacts.h"

class X11WindowQuery {
  public:
    explicit X11WindowQuery(X11Context& context);
    ~X11WindowQuery();
    X11WindowQuery(const X11WindowQuery&) = delete;
    X11WindowQuery& operator=(const X11WindowQuery&) = delete;

    std::vector<ListedWindow> Snapshot(WindowHandle applicationWindow);

    // Whether the last snapshot came from the window manager's client list.
    bool LastFromClientList() const { return fromClientList_; }

  private:
    bool OnEvent(xcb_generic_event_t* event);

    X11Context& context_;
    int handlerId_ = 0;
    X11WindowFacts facts_;
    X11TopLevels topLevels_;
    bool fromClientList_ = false;
};
