#include "platform/wayland/WaylandWindowList.h"

#include <algorithm>
#include <cstdio>

#include "platform/wayland/ToplevelList.h"
#include "platform/wayland/WindowSource.h"

WaylandWindowList::WaylandWindowList(PipeWireLoop& loop, QDBusConnection bus,
                                     RestoreTokenStore store,
                                     std::unique_ptr<ToplevelList> toplevels)
    : loop_(loop),
      bus_(std::move(bus)),
      store_(std::move(store)),
      toplevels_(std::move(toplevels)) {}

WaylandWindowList::~WaylandWindowList() {
    // No signal of a source is running now: release them at once, which closes their
    // portal sessions before the program ends.
    *releaseAtOnce_ = true;
    chosen_.clear();
    toplevelSources_.clear();
}

bool WaylandWindowList::HasToplevelList() const {
    return toplevels_ && toplevels_->Available();
}

bool WaylandWindowList::CanChoose() const {
    return !HasToplevelList();
}

std::vector<ListedWindow> WaylandWindowList::Snapshot(WindowHandle) {
    std::vector<ListedWindow> windows;
    if (HasToplevelList()) {
        windows = toplevels_->Windows();
    }
    for (const auto& [handle, chosen] : chosen_) {
        if (chosen.listed) {
            windows.push_back({handle, QStringLiteral("Window %1").arg(chosen.number)});
        }
    }
    return windows;
}

WindowIdentity WaylandWindowList::Identify(WindowHandle window) {
    return HasToplevelList() ? toplevels_->Identify(window) : WindowIdentity{};
}

void WaylandWindowList::UseRestoreToken(WindowHandle window, const QString& token) {
    // Only before its capture starts: a running one has a newer token of its own.
    if (toplevelSources_[window].expired() && !token.isEmpty()) {
        toplevelTokens_[window] = token;
    }
}

void WaylandWindowList::Choose() {
    int number = 1;
    for (const auto& [handle, chosen] : chosen_) {
        number = std::max(number, chosen.number + 1);
    }
    StartChosen(number, QString());
}

void WaylandWindowList::RestoreChosen() {
    for (const StoredWindow& stored : store_.Load()) {
        StartChosen(stored.number, stored.token);
    }
}

void WaylandWindowList::StartChosen(int number, const QString& token) {
    const WindowHandle handle = kFirstChosenHandle + static_cast<WindowHandle>(number);
    if (chosen_.count(handle) != 0) {
        return;
    }
    auto source = MakeSource(handle);
    connect(source.get(), &WindowSource::Started, this, &WaylandWindowList::OnChosenStarted);
    connect(source.get(), &WindowSource::Failed, this, &WaylandWindowList::OnChosenFailed);
    connect(source.get(), &WindowSource::Ended, this, &WaylandWindowList::OnChosenEnded);
    connect(source.get(), &WindowSource::SizeChanged, this, &WindowPicker::SourceResized);
    chosen_[handle] = Chosen{number, token, source, false};
    source->Start(token);
}

void WaylandWindowList::OnChosenStarted(WindowHandle window, const QString& token) {
    auto found = chosen_.find(window);
    if (found == chosen_.end()) {
        return;
    }
    // Tokens are single-use: the new one replaces the old, none means nothing to restore.
    found->second.token = token;
    found->second.listed = true;
    SaveTokens();
    emit WindowChosen(window);
}

void WaylandWindowList::OnChosenFailed(WindowHandle window, PortalFailure failure,
                                       const QString& message) {
    auto found = chosen_.find(window);
    if (found == chosen_.end()) {
        return;
    }
    if (failure == PortalFailure::Cancelled) {
        // The user declined: forget the window for good.
        found->second.token.clear();
    } else {
        Report(message);
    }
    // The entry stays (unlisted) when its token is kept for the next start.
    std::shared_ptr<WindowSource> source = std::move(found->second.source);
    if (found->second.token.isEmpty()) {
        chosen_.erase(found);
    }
    SaveTokens();
    source.reset();
}

void WaylandWindowList::OnChosenEnded(WindowHandle window) {
    auto found = chosen_.find(window);
    if (found == chosen_.end()) {
        return;
    }
    // The window closed: its token restores nothing any more.
    std::shared_ptr<WindowSource> source = std::move(found->second.source);
    chosen_.erase(found);
    SaveTokens();
    emit WindowGone(window);
    source.reset();
}

std::shared_ptr<WindowSource> WaylandWindowList::SourceFor(WindowHandle window) {
    if (auto found = chosen_.find(window); found != chosen_.end()) {
        return found->second.listed ? found->second.source : nullptr;
    }
    if (auto alive = toplevelSources_[window].lock()) {
        return alive;
    }
    if (!HasToplevelList()) {
        return nullptr;
    }
    const std::vector<ListedWindow> listed = toplevels_->Windows();
    if (std::none_of(listed.begin(), listed.end(),
                     [window](const ListedWindow& w) { return w.handle == window; })) {
        return nullptr;
    }
    auto source = MakeSource(window);
    connect(source.get(), &WindowSource::Started, this,
            [this](WindowHandle handle, const QString& token) {
                toplevelTokens_[handle] = token;
                if (!token.isEmpty()) {
                    emit RestoreTokenChanged(handle, token);
                }
            });
    connect(source.get(), &WindowSource::Failed, this,
            [this](WindowHandle, PortalFailure, const QString& message) { Report(message); });
    connect(source.get(), &WindowSource::SizeChanged, this, &WindowPicker::SourceResized);
    toplevelSources_[window] = source;
    source->Start(toplevelTokens_[window]);
    return source;
}

std::shared_ptr<WindowSource> WaylandWindowList::MakeSource(WindowHandle window) {
    // Released from the event loop: the last owner often lets go inside one of the
    // source's own signals.
    return std::shared_ptr<WindowSource>(new WindowSource(loop_, bus_, window),
                                         [releaseAtOnce = releaseAtOnce_](WindowSource* source) {
                                             if (*releaseAtOnce) {
                                                 delete source;
                                             } else {
                                                 source->deleteLater();
                                             }
                                         });
}

void WaylandWindowList::Report(const QString& message) {
    std::fprintf(stderr, "vantrel: %s\n", message.toLocal8Bit().constData());
    emit ChoiceFailed(message);
}

void WaylandWindowList::SaveTokens() const {
    std::vector<StoredWindow> stored;
    for (const auto& [handle, chosen] : chosen_) {
        if (!chosen.token.isEmpty()) {
            stored.push_back({chosen.number, chosen.token});
        }
    }
    if (!store_.Save(stored)) {
        std::fprintf(stderr, "vantrel: cannot write %s\n",
                     store_.FilePath().toLocal8Bit().constData());
    }
}
