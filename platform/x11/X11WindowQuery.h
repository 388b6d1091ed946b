// Snapshot of the top-level windows and their titles.
//
// BuildList lists the desktop's windows (see X11TopLevels.h), leaves out the program's own
// and reads every listed window's title in one batch of requests, so a list refresh costs
// a fixed number of round trips whatever the number of windows. ReadTitle answers from
// that batch while nothing has changed; X events that change a title or the window set
// drop the stale entries, and windows outside the snapshot are asked directly.
//
// To keep the list following the desktop, the root reports window creation, destruction
// and property changes, and every listed window its property changes (its title): each
// such event wakes the program's event loop, whose idle refresh calls BuildList again.
// A listed window reports one property change and is then silent until the next BuildList
// asks again (before it reads the title, so no change is missed): a client that renames
// its window millions of times a second cannot bury the event loop under notifications.
#pragma once

#include <sys/types.h>

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/Platform.h"
#include "platform/x11/X11Context.h"

class X11WindowQuery {
  public:
    explicit X11WindowQuery(X11Context& context);
    ~X11WindowQuery();
    X11WindowQuery(const X11WindowQuery&) = delete;
    X11WindowQuery& operator=(const X11WindowQuery&) = delete;

    void BuildList(WindowHandle applicationWindow);
    int Count() const { return static_cast<int>(snapshot_.size()); }
    WindowHandle Item(int position) const;
    int ReadTitle(WindowHandle window, char16_t* buffer, int maxCount);

    // Whether the last snapshot came from the window manager's client list.
    bool LastFromClientList() const { return fromClientList_; }

  private:
    struct WindowFacts {
        std::u16string title;
        bool ownProcess = false;  // _NET_WM_PID is ours on this host
    };
    std::vector<WindowFacts> ReadFacts(const std::vector<xcb_window_t>& windows);
    void WatchNewWindows(const std::vector<xcb_window_t>& windows);
    bool OnEvent(xcb_generic_event_t* event);

    X11Context& context_;
    int handlerId_ = 0;
    pid_t pid_ = 0;
    std::string host_;
    bool fromClientList_ = false;
    std::vector<WindowHandle> snapshot_;
    std::unordered_map<WindowHandle, std::u16string> titles_;
    std::unordered_set<xcb_window_t> watched_;
    std::unordered_set<xcb_window_t> silenced_;  // listed, but no longer reporting changes
};
