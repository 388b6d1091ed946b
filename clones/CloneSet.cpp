#include "clones/CloneSet.h"

#include <algorithm>

#include "platform/DisplayList.h"

CloneSet::CloneSet(DisplayList& displays) : displays_(displays) {}

std::vector<CloneEntry>::iterator CloneSet::Locate(WindowHandle window, std::size_t display) {
    return std::find_if(clones_.begin(), clones_.end(), [&](const CloneEntry& clone) {
        return clone.window == window && clone.display == display;
    });
}

const CloneEntry* CloneSet::Find(WindowHandle window, std::size_t display) const {
    const auto at = std::find_if(clones_.begin(), clones_.end(), [&](const CloneEntry& clone) {
        return clone.window == window && clone.display == display;
    });
    return at == clones_.end() ? nullptr : &*at;
}

std::vector<std::size_t> CloneSet::DisplaysOf(WindowHandle window) const {
    std::vector<std::size_t> displays;
    for (const CloneEntry& clone : clones_) {
        if (clone.window == window) {
            displays.push_back(clone.display);
        }
    }
    std::sort(displays.begin(), displays.end());
    return displays;
}

// Asked of the backend each time: a display can go before its change is announced.
bool CloneSet::DisplayUsable(std::size_t display) const {
    const std::vector<DisplayInfo> displays = displays_.Displays();
    return display < displays.size() && !displays[display].rect.isEmpty();
}

bool CloneSet::Open(WindowHandle window, std::size_t display, CloneMode mode) {
    if (Locate(window, display) != clones_.end()) {
        return SetMode(window, display, mode);
    }
    if (!DisplayUsable(display)) {
        return false;
    }
    clones_.push_back({window, display, mode});
    const CloneEntry opened = clones_.back();
    emit Opened(opened);
    emit WindowChanged(window);
    return true;
}

void CloneSet::Remove(std::vector<CloneEntry>::iterator at) {
    const CloneEntry closed = *at;
    clones_.erase(at);
    emit Closed(closed);
    emit WindowChanged(closed.window);
}

bool CloneSet::Close(WindowHandle window, std::size_t display) {
    const auto at = Locate(window, display);
    if (at == clones_.end()) {
        return false;
    }
    Remove(at);
    return true;
}

bool CloneSet::SetMode(WindowHandle window, std::size_t display, CloneMode mode) {
    const auto at = Locate(window, display);
    if (at == clones_.end()) {
        return false;
    }
    if (at->mode != mode) {
        at->mode = mode;
        const CloneEntry changed = *at;
        emit ModeChanged(changed);
        emit WindowChanged(window);
    }
    return true;
}

bool CloneSet::ToggleMode(WindowHandle window, std::size_t display) {
    const CloneEntry* clone = Find(window, display);
    return clone != nullptr &&
           SetMode(window, display,
                   clone->mode == CloneMode::Fit ? CloneMode::Natural : CloneMode::Fit);
}

void CloneSet::WindowGone(WindowHandle window) {
    for (const std::size_t display : DisplaysOf(window)) {
        Close(window, display);
    }
}

void CloneSet::CloseAll() {
    while (!clones_.empty()) {
        Remove(clones_.end() - 1);
    }
}

void CloneSet::FollowDisplays(const std::vector<std::optional<std::size_t>>& moved) {
    // In display order, so that of two clones of a window sent to one display the one from
    // the lower number stays; the records are renumbered before anyone is told.
    std::vector<CloneEntry> before = clones_;
    std::stable_sort(before.begin(), before.end(), [](const CloneEntry& a, const CloneEntry& b) {
        return a.display < b.display;
    });
    std::vector<CloneEntry> kept;
    std::vector<FollowedClone> followed;
    std::vector<CloneEntry> closed;
    for (const CloneEntry& clone : before) {
        const auto to = clone.display < moved.size() ? moved[clone.display] : std::nullopt;
        const bool taken = to && std::any_of(kept.begin(), kept.end(), [&](const CloneEntry& k) {
                               return k.window == clone.window && k.display == *to;
                           });
        if (to && !taken) {
            kept.push_back({clone.window, *to, clone.mode});
            followed.push_back({kept.back(), clone.display});
        } else {
            closed.push_back(clone);
        }
    }
    clones_ = kept;
    for (const CloneEntry& clone : closed) {
        emit Closed(clone);
        emit WindowChanged(clone.window);
    }
    emit DisplaysFollowed(followed);
    for (const FollowedClone& each : followed) {
        emit WindowChanged(each.clone.window);
    }
}
