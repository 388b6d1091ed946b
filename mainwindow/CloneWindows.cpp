#include "mainwindow/CloneWindows.h"

#include "platform/DisplayList.h"

CloneWindows::CloneWindows(CloneSet& clones, const CloneServices& services, QWidget* mainWindow)
    : clones_(clones), services_(services), mainWindow_(mainWindow) {
    connections_ = {
        QObject::connect(&clones_, &CloneSet::Opened, [this](const auto& c) { Open(c); }),
        QObject::connect(&clones_, &CloneSet::Closed, [this](const auto& c) { Close(c); }),
        QObject::connect(&clones_, &CloneSet::ModeChanged, [this](const auto& c) { SetMode(c); }),
        QObject::connect(&clones_, &CloneSet::DisplaysFollowed,
                         [this](const auto& followed) { Follow(followed); }),
        QObject::connect(&clones_, &CloneSet::WindowChanged,
                         [this](WindowHandle window) { ShowKept(window); }),
    };
}

CloneWindows::~CloneWindows() {
    for (const auto& connection : connections_) {
        QObject::disconnect(connection);
    }
    for (auto& [key, window] : windows_) {
        window->CloseClone();
    }
}

TCloneForm* CloneWindows::Window(WindowHandle window, std::size_t display) const {
    const auto at = windows_.find({window, display});
    return at == windows_.end() ? nullptr : at->second.get();
}

void CloneWindows::Open(const CloneEntry& clone) {
    auto form =
        std::make_unique<TCloneForm>(services_.compositor, services_.displays, services_.system);
    form->SetScreenPlacement(services_.byScreen);
    // Placed on its display before it is first shown, so it never appears elsewhere; the set
    // only opens clones on displays that are there.
    if (!form->StartClone(clone.window, static_cast<int>(clone.display))) {
        return;
    }
    ShowLook(*form, clone);
    form->SetKept(clone.kept);
    GiveActions(*form);
    const WindowHandle window = clone.window;
    const std::size_t display = clone.display;
    // Some window managers move the focus away from the active window when a window that
    // refuses it appears; the main window asks for it back.
    const bool mainActive = mainWindow_ != nullptr && mainWindow_->isActiveWindow();
    form->show();
    if (mainActive) {
        mainWindow_->activateWindow();
    }
    // A window that does not take the focus is put below the active one by some window
    // managers; the clone covers its display, the main window included.
    form->raise();
    windows_[{window, display}] = std::move(form);
}

std::optional<CloneWindows::Key> CloneWindows::KeyOf(const TCloneForm* form) const {
    for (const auto& [key, each] : windows_) {
        if (each.get() == form) {
            return key;
        }
    }
    return std::nullopt;
}

// The clone's click and menu ask the set, which tells this clone (and the buttons) back.
void CloneWindows::GiveActions(TCloneForm& form) {
    const auto ask = [this, form = &form](auto action) {
        return [this, form, action] {
            if (const auto key = KeyOf(form)) {
                action(key->first, key->second);
            }
        };
    };
    form.SetClickAction(ask([this](WindowHandle w, std::size_t d) { clones_.ToggleMode(w, d); }));
    CloneMenuActions menu;
    menu.toggleKeep = ask([this](WindowHandle w, std::size_t d) {
        const CloneEntry* clone = clones_.Find(w, d);
        clones_.Keep(w, d, clone != nullptr && !clone->kept);
    });
    menu.close = ask([this](WindowHandle w, std::size_t d) { clones_.Close(w, d); });
    const auto with = [this, form = &form](auto action) {
        return [this, form, action](const auto& value) {
            if (const auto key = KeyOf(form)) {
                action(key->first, key->second, value);
            }
        };
    };
    menu.setMode = with(
        [this](WindowHandle w, std::size_t d, CloneMode mode) { clones_.SetMode(w, d, mode); });
    menu.setCrop = with([this](WindowHandle w, std::size_t d, const CloneCrop& crop) {
        clones_.SetCrop(w, d, crop);
    });
    menu.setTurn = with(
        [this](WindowHandle w, std::size_t d, ImageTurn turn) { clones_.SetTurn(w, d, turn); });
    form.SetMenuActions(std::move(menu));
}

void CloneWindows::ShowKept(WindowHandle window) {
    for (const std::size_t display : clones_.DisplaysOf(window)) {
        if (TCloneForm* form = Window(window, display)) {
            form->SetKept(clones_.Find(window, display)->kept);
        }
    }
}

void CloneWindows::Close(const CloneEntry& clone) {
    const auto at = windows_.find({clone.window, clone.display});
    if (at == windows_.end()) {
        return;
    }
    std::unique_ptr<TCloneForm> form = std::move(at->second);
    windows_.erase(at);
    form->CloseClone();
}

void CloneWindows::SetMode(const CloneEntry& clone) {
    if (TCloneForm* form = Window(clone.window, clone.display)) {
        ShowLook(*form, clone);
    }
}

void CloneWindows::ShowLook(TCloneForm& form, const CloneEntry& clone) {
    form.SetLook(clone.mode, clone.crop, clone.turn);
}

// Every window is taken out before any is put back: two clones may trade numbers.
void CloneWindows::Follow(const std::vector<FollowedClone>& followed) {
    std::vector<std::pair<Key, std::unique_ptr<TCloneForm>>> moving;
    for (const FollowedClone& each : followed) {
        const auto at = windows_.find({each.clone.window, each.from});
        if (at != windows_.end()) {
            moving.emplace_back(Key{each.clone.window, each.clone.display}, std::move(at->second));
            windows_.erase(at);
        }
    }
    const std::vector<DisplayInfo> displays = services_.displays.Displays();
    for (auto& [key, form] : moving) {
        if (key.second < displays.size()) {
            form->FollowDisplay(displays[key.second].rect);
        }
        windows_[key] = std::move(form);
    }
}
