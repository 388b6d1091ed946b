#include "platform/x11/thumbnails/X11ThumbSourceSet.h"

#include <xcb/xfixes.h>

#include <string>

X11ThumbSource* X11ThumbSourceSet::Find(xcb_window_t window) {
    auto it = sources_.find(window);
    return it == sources_.end() ? nullptr : it->second.get();
}

X11ThumbSource* X11ThumbSourceSet::FindByDamage(xcb_damage_damage_t damage) {
    for (auto& [window, source] : sources_) {
        if (source->Damage() == damage && source->alive) {
            return source.get();
        }
    }
    return nullptr;
}

X11ThumbSource* X11ThumbSourceSet::Open(const X11RenderFormats& formats, xcb_window_t window,
                                        bool& opened) {
    opened = false;
    if (X11ThumbSource* existing = Find(window)) {
        if (!existing->alive) {
            return nullptr;
        }
        existing->registrations += 1;
        return existing;
    }
    auto source = X11ThumbSource::Open(context_, formats, window);
    if (!source) {
        return nullptr;
    }
    source->registrations = 1;
    X11ThumbSource* out = source.get();
    sources_[window] = std::move(source);
    opened = true;
    return out;
}

bool X11ThumbSourceSet::Drop(xcb_window_t window) {
    X11ThumbSource* source = Find(window);
    if (source == nullptr || --source->registrations > 0) {
        return false;
    }
    sources_.erase(window);
    return true;
}

std::vector<xcb_window_t> X11ThumbSourceSet::Windows() const {
    std::vector<xcb_window_t> out;
    for (const auto& [window, source] : sources_) {
        out.push_back(window);
    }
    return out;
}

void X11ThumbSourceSet::NameIfNeeded(X11ThumbSource* source) {
    if (source != nullptr && source->alive && source->mapped && source->needsName) {
        source->NamePixmap();
    }
}

void X11ThumbSourceSet::NameAllIfNeeded() {
    for (auto& [window, source] : sources_) {
        NameIfNeeded(source.get());
    }
}

std::vector<xcb_window_t> X11ThumbSourceSet::TakeResized() {
    std::vector<xcb_window_t> out;
    for (auto& [window, source] : sources_) {
        if (source->resized) {
            source->resized = false;
            out.push_back(window);
        }
    }
    return out;
}

std::vector<xcb_window_t> X11ThumbSourceSet::MarkAllForRenaming() {
    std::vector<xcb_window_t> out;
    for (auto& [window, source] : sources_) {
        if (source->alive && source->mapped) {
            source->needsName = true;
            out.push_back(window);
        }
    }
    return out;
}

// A new compositing manager takes over the windows' storage: the named pixmaps then show
// stale contents, so every source is named again when the selection changes hands.
void X11ThumbSourceSet::WatchCompositingManager(const X11RenderFormats& formats) {
    if (watchingManager_ || !formats.HasXFixes()) {
        return;
    }
    watchingManager_ = true;
    const std::string name = "_NET_WM_CM_S" + std::to_string(context_.ScreenNumber());
    managerSelection_ = context_.Atom(name.c_str());
    if (managerSelection_ == XCB_NONE) {
        return;
    }
    xcb_xfixes_select_selection_input(context_.Connection(), context_.Root(), managerSelection_,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
}
