// The thumbnails' sources by window: one redirected source per window however many
// thumbnails show it, counted, and freed with its last thumbnail. Also names the sources'
// pixmaps again when their storage changed, and watches for a new compositing manager,
// which takes over every window's storage.
#pragma once

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/x11/connection/X11Context.h"
#include "platform/x11/thumbnails/X11RenderFormats.h"
#include "platform/x11/thumbnails/X11ThumbSource.h"

class X11ThumbSourceSet {
  public:
    explicit X11ThumbSourceSet(X11Context& context) : context_(context) {}

    X11ThumbSource* Find(xcb_window_t window);
    // The living source whose damage object this is, or null.
    X11ThumbSource* FindByDamage(xcb_damage_damage_t damage);
    // Shares the source of window, or opens it (opened is then set); null when the window
    // cannot be a source or is gone.
    X11ThumbSource* Open(const X11RenderFormats& formats, xcb_window_t window, bool& opened);
    // One thumbnail of window less; true when that was the last and the source is freed.
    bool Drop(xcb_window_t window);
    void Clear() { sources_.clear(); }
    std::vector<xcb_window_t> Windows() const;

    // Names the source's pixmap when a resize, a map or a new compositing manager gave it
    // new storage since the last naming (two checked round trips, so only then).
    static void NameIfNeeded(X11ThumbSource* source);
    void NameAllIfNeeded();
    // The windows whose size changed (or that were mapped again) since the last call.
    std::vector<xcb_window_t> TakeResized();
    // Marks every shown source for naming again; returns their windows.
    std::vector<xcb_window_t> MarkAllForRenaming();

    // Selects the compositing manager's selection changes (XFixes), once.
    void WatchCompositingManager(const X11RenderFormats& formats);
    xcb_atom_t ManagerSelection() const { return managerSelection_; }

  private:
    X11Context& context_;
    std::map<xcb_window_t, std::unique_ptr<X11ThumbSource>> sources_;
    bool watchingManager_ = false;
    xcb_atom_t managerSelection_ = 0;
};
