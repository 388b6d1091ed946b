#include "clones/CloneSet.h"

#include <algorithm>
#include <utility>

#include "clones/KeptMatch.h"
#include "platform/DisplayList.h"

CloneSet::CloneSet(DisplayList& displays, Identify identify)
    : displays_(displays), identify_(std::move(identify)) {}

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
    const bool kept = at->kept;
    if (kept) {
        if (const auto record = KeptOf(window, display); record != kept_.end()) {
            kept_.erase(record);
        }
    }
    Remove(at);
    if (kept) {
        emit KeptChanged();
    }
    return true;
}

// change(look) alters what is shown of a clone (a CloneEntry or a KeptClone) and says
// whether anything changed; the kept record follows the clone.
template <typename Change>
bool CloneSet::ChangeLook(WindowHandle window, std::size_t display, Change change) {
    const auto at = Locate(window, display);
    if (at == clones_.end()) {
        return false;
    }
    if (change(*at)) {
        const CloneEntry changed = *at;
        const auto record = changed.kept ? KeptOf(window, display) : kept_.end();
        if (record != kept_.end()) {
            change(*record);
        }
        emit ModeChanged(changed);
        emit WindowChanged(window);
        if (record != kept_.end()) {
            emit KeptChanged();
        }
    }
    return true;
}

bool CloneSet::SetMode(WindowHandle window, std::size_t display, CloneMode mode) {
    return ChangeLook(window, display,
                      [mode](auto& look) { return std::exchange(look.mode, mode) != mode; });
}

bool CloneSet::SetCrop(WindowHandle window, std::size_t display, const CloneCrop& crop) {
    // Every whole crop is the same: nothing to show differently.
    const CloneCrop wanted = crop.Whole() ? CloneCrop{} : crop;
    return ChangeLook(window, display, [&wanted](auto& look) {
        return !(std::exchange(look.crop, wanted) == wanted);
    });
}

bool CloneSet::SetTurn(WindowHandle window, std::size_t display, ImageTurn turn) {
    return ChangeLook(window, display,
                      [turn](auto& look) { return std::exchange(look.turn, turn) != turn; });
}

bool CloneSet::ToggleMode(WindowHandle window, std::size_t display) {
    const CloneEntry* clone = Find(window, display);
    return clone != nullptr &&
           SetMode(window, display,
                   clone->mode == CloneMode::Fit ? CloneMode::Natural : CloneMode::Fit);
}

void CloneSet::WindowGone(WindowHandle window) {
    for (const std::size_t display : DisplaysOf(window)) {
        Remove(Locate(window, display));
    }
    for (KeptClone& kept : kept_) {
        if (kept.shownWindow == window) {
            kept.shownWindow = 0;
        }
    }
    described_.erase(window);
    tokens_.erase(window);
}

void CloneSet::SetRestoreToken(WindowHandle window, const QString& token) {
    tokens_[window] = token;
    bool changed = false;
    for (KeptClone& kept : kept_) {
        if (kept.shownWindow == window && kept.restoreToken != token) {
            kept.restoreToken = token;
            changed = true;
        }
    }
    if (changed) {
        emit KeptChanged();
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
            CloneEntry followedClone = clone;
            followedClone.display = *to;
            kept.push_back(followedClone);
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
    // A kept clone's display may be back.
    Reconcile(listed_);
}

std::vector<KeptClone>::iterator CloneSet::KeptOf(WindowHandle window, std::size_t display) {
    return std::find_if(kept_.begin(), kept_.end(), [&](const KeptClone& kept) {
        return kept.shownWindow == window && DisplayOf(kept) == display;
    });
}

std::optional<std::size_t> CloneSet::DisplayOf(const KeptClone& kept) const {
    const std::vector<DisplayInfo> displays = displays_.Displays();
    if (kept.displayName.isEmpty()) {
        return kept.displayNumber < displays.size() ? std::optional(kept.displayNumber)
                                                    : std::nullopt;
    }
    for (std::size_t i = 0; i < displays.size(); ++i) {
        if (displays[i].name == kept.displayName) {
            return i;
        }
    }
    return std::nullopt;
}

WindowIdentity CloneSet::Describe(const ListedWindow& window) {
    auto at = described_.find(window.handle);
    if (at == described_.end()) {
        at = described_
                 .emplace(window.handle, identify_ ? identify_(window.handle) : WindowIdentity{})
                 .first;
    }
    WindowIdentity identity = at->second;
    identity.title = window.title;
    return identity;
}

bool CloneSet::Keep(WindowHandle window, std::size_t display, bool keep) {
    const auto at = Locate(window, display);
    if (at == clones_.end()) {
        return false;
    }
    if (at->kept == keep) {
        return true;
    }
    if (keep) {
        const auto listed = std::find_if(listed_.begin(), listed_.end(),
                                         [&](const ListedWindow& w) { return w.handle == window; });
        const std::vector<DisplayInfo> displays = displays_.Displays();
        kept_.push_back({Describe(listed != listed_.end() ? *listed : ListedWindow{window, {}}),
                         display < displays.size() ? displays[display].name : QString(), display,
                         at->mode, window, tokens_[window], at->crop, at->turn});
    } else if (const auto record = KeptOf(window, display); record != kept_.end()) {
        kept_.erase(record);
    }
    at->kept = keep;
    emit WindowChanged(window);
    emit KeptChanged();
    return true;
}

bool CloneSet::Forget(std::size_t index) {
    if (index >= kept_.size()) {
        return false;
    }
    const KeptClone forgotten = kept_[index];
    kept_.erase(kept_.begin() + static_cast<std::ptrdiff_t>(index));
    if (const auto display = DisplayOf(forgotten); display && forgotten.shownWindow != 0) {
        if (const auto at = Locate(forgotten.shownWindow, *display); at != clones_.end()) {
            Remove(at);
        }
    }
    emit KeptChanged();
    return true;
}

void CloneSet::RestoreKept(std::vector<KeptClone> kept) {
    for (KeptClone& each : kept) {
        each.shownWindow = 0;
    }
    kept_ = std::move(kept);
}

// A window shown by a kept clone of another window (another title or program) is not free.
bool CloneSet::FindWindowFor(KeptClone& kept, const std::vector<ListedWindow>& windows) {
    std::vector<ListedWindow> free;
    std::vector<WindowIdentity> identities;
    for (const ListedWindow& window : windows) {
        const bool taken = std::any_of(kept_.begin(), kept_.end(), [&](const KeptClone& other) {
            return other.shownWindow == window.handle && !(other.window == kept.window);
        });
        if (!taken) {
            free.push_back(window);
            identities.push_back(Describe(window));
        }
    }
    const auto match = MatchKeptWindow(kept.window, identities);
    if (match) {
        kept.shownWindow = free[*match].handle;
    }
    return match.has_value();
}

bool CloneSet::OpenKept(const KeptClone& kept) {
    const auto display = DisplayOf(kept);
    if (!display || !DisplayUsable(*display)) {
        return false;
    }
    const auto at = Locate(kept.shownWindow, *display);
    if (at != clones_.end()) {
        if (!at->kept) {
            at->kept = true;
            emit WindowChanged(kept.shownWindow);
        }
        return false;
    }
    if (!kept.restoreToken.isEmpty()) {
        emit RestoreTokenWanted(kept.shownWindow, kept.restoreToken);
    }
    clones_.push_back({kept.shownWindow, *display, kept.mode, true, kept.crop, kept.turn});
    const CloneEntry opened = clones_.back();
    emit Opened(opened);
    emit WindowChanged(opened.window);
    return true;
}

void CloneSet::Reconcile(const std::vector<ListedWindow>& windows) {
    listed_ = windows;
    std::erase_if(tokens_, [&](const auto& item) {
        return std::none_of(windows.begin(), windows.end(),
                            [&](const ListedWindow& w) { return w.handle == item.first; });
    });
    if (kept_.empty()) {
        described_.clear();
        return;
    }
    std::erase_if(described_, [&](const auto& item) {
        return std::none_of(windows.begin(), windows.end(),
                            [&](const ListedWindow& w) { return w.handle == item.first; });
    });
    for (KeptClone& kept : kept_) {
        const bool listed = std::any_of(windows.begin(), windows.end(), [&](const ListedWindow& w) {
            return w.handle == kept.shownWindow;
        });
        if (!listed) {
            kept.shownWindow = 0;
            FindWindowFor(kept, windows);
        }
    }
    // Copies: opening tells views, which may ask the set again.
    const std::vector<KeptClone> kept = kept_;
    for (const KeptClone& each : kept) {
        if (each.shownWindow != 0) {
            OpenKept(each);
        }
    }
}
