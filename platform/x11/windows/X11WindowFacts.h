// What the window query knows about other clients' windows between two snapshots: title,
// whether the window belongs to this process, whether it carries WM_STATE, and whether a
// taskbar would list it (its EWMH window type and states).
//
// A window's facts are read once and then kept while the window stays quiet. Before they
// are read, the window is asked to report its property changes and its destruction; the
// first property change drops the facts, so the next snapshot reads them again. That first
// change also ends the window's property reports (a client renaming its window millions of
// times a second sends one notification per snapshot, not millions): a window whose facts
// were dropped is asked again for reports just before they are read again, so no change is
// missed. A destroyed window's facts go with its DestroyNotify.
#pragma once

#include <sys/types.h>

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/x11/connection/X11Context.h"

class X11WindowFacts {
  public:
    struct Facts {
        std::u16string title;
        bool ownProcess = false;  // _NET_WM_PID is ours on this host
        bool hasWmState = false;  // managed by a window manager (or says it is)
        // Not a panel, desktop, menu, tooltip or other helper window, and not asking to
        // be left out of the taskbar.
        bool taskbarEntry = true;
    };

    explicit X11WindowFacts(X11Context& context);

    // A snapshot brackets its Ensure calls with these: facts no Ensure call of the snapshot
    // named are forgotten at its end. Forgotten windows keep reporting until their next
    // change, which then only ends their reports.
    void BeginSnapshot() { ++generation_; }
    void EndSnapshot();
    // Reads the facts of every window in the list that has none, or whose facts a change
    // dropped, in a fixed number of round trips; nothing when all are known. A window that
    // no longer exists gets no facts.
    void Ensure(const std::vector<xcb_window_t>& windows);
    // The facts of a window, null when they are not known (never read, changed since, gone).
    const Facts* Find(xcb_window_t window) const;
    void OnEvent(xcb_generic_event_t* event);

  private:
    X11Context& context_;
    pid_t pid_ = 0;
    std::string host_;
    struct Entry {
        Facts facts;
        unsigned generation = 0;  // of the last snapshot that named the window
    };
    unsigned generation_ = 0;
    std::unordered_map<xcb_window_t, Entry> known_;
    // Windows asked to report property changes that have not reported one since.
    std::unordered_set<xcb_window_t> armed_;
};
