#include "platform/fake/FakePlatform.h"

#include <algorithm>

WindowHandle FakePlatform::AddWindow(const std::u16string& title, PixelSize size) {
    Window w;
    w.handle = nextWindow_++;
    w.title = title;
    w.size = size;
    windows_.push_back(w);
    return w.handle;
}

void FakePlatform::RenameWindow(WindowHandle window, const std::u16string& title) {
    if (Window* w = FindWindow(window)) {
        w->title = title;
    }
}

void FakePlatform::ResizeWindow(WindowHandle window, PixelSize size) {
    if (Window* w = FindWindow(window)) {
        w->size = size;
    }
}

void FakePlatform::RemoveWindow(WindowHandle window) {
    std::erase_if(windows_, [window](const Window& w) { return w.handle == window; });
}

void FakePlatform::FailTitleRead(WindowHandle window, bool fail) {
    if (Window* w = FindWindow(window)) {
        w->titleReadFails = fail;
    }
}

void FakePlatform::RemoveMonitor(int index) {
    if (index >= 0 && index < static_cast<int>(monitors_.size())) {
        monitors_.erase(monitors_.begin() + index);
    }
}

const FakePlatform::Thumbnail* FakePlatform::FindThumbnail(ThumbnailHandle handle) const {
    for (const Thumbnail& t : thumbnails_) {
        if (t.handle == handle) {
            return &t;
        }
    }
    return nullptr;
}

int FakePlatform::LiveThumbnailCount() const {
    return static_cast<int>(std::count_if(thumbnails_.begin(), thumbnails_.end(),
                                          [](const Thumbnail& t) { return t.registered; }));
}

int FakePlatform::GuardHolders(const std::string& name) const {
    auto it = guards_.find(name);
    return it == guards_.end() ? 0 : it->second;
}

void FakePlatform::BuildList(WindowHandle applicationWindow) {
    ++buildListCalls_;
    lastApplicationWindow_ = applicationWindow;
    snapshot_.clear();
    for (const Window& w : windows_) {
        snapshot_.push_back(w.handle);
    }
}

int FakePlatform::GetListCount() {
    return static_cast<int>(snapshot_.size());
}

WindowHandle FakePlatform::GetListItem(int position) {
    if (position < 1 || position > static_cast<int>(snapshot_.size())) {
        return 0;
    }
    return snapshot_[static_cast<std::size_t>(position - 1)];
}

int FakePlatform::GetWindowText(WindowHandle window, char16_t* buffer, int maxCount) {
    ++titleReads_;
    if (buffer == nullptr || maxCount <= 0) {
        return 0;
    }
    buffer[0] = u'\0';
    const Window* w = FindWindow(window);
    if (w == nullptr || w->titleReadFails) {
        return 0;
    }
    const int n = std::min(static_cast<int>(w->title.size()), maxCount - 1);
    std::copy_n(w->title.begin(), n, buffer);
    buffer[n] = u'\0';
    return n;
}

int FakePlatform::GetMonitorCount() {
    return static_cast<int>(monitors_.size());
}

DisplayRect FakePlatform::GetMonitorInfo(int index) {
    if (index < 0 || index >= static_cast<int>(monitors_.size())) {
        return {};
    }
    return monitors_[static_cast<std::size_t>(index)];
}

bool FakePlatform::IsCompositionEnabled() {
    return compositionEnabled_;
}

HResult FakePlatform::RegisterThumbnail(WindowHandle destination, WindowHandle source,
                                        ThumbnailHandle* thumbnail) {
    if (thumbnail == nullptr) {
        return kResultInvalidArg;
    }
    *thumbnail = 0;
    if (nextRegistrationFailure_ != kResultOk) {
        const HResult failure = nextRegistrationFailure_;
        nextRegistrationFailure_ = kResultOk;
        return failure;
    }
    if (FindWindow(source) == nullptr || destination == 0) {
        return kResultInvalidArg;
    }
    Thumbnail t;
    t.handle = nextThumbnail_++;
    t.destination = destination;
    t.source = source;
    t.registered = true;
    thumbnails_.push_back(t);
    *thumbnail = t.handle;
    return kResultOk;
}

HResult FakePlatform::QueryThumbnailSourceSize(ThumbnailHandle thumbnail, PixelSize* size) {
    Thumbnail* t = FindLiveThumbnail(thumbnail);
    if (t == nullptr || size == nullptr) {
        return kResultInvalidHandle;
    }
    const Window* w = FindWindow(t->source);
    if (w == nullptr) {
        return kResultInvalidHandle;
    }
    *size = w->size;
    return kResultOk;
}

HResult FakePlatform::UpdateThumbnailProperties(ThumbnailHandle thumbnail,
                                                const ThumbnailProperties& properties) {
    Thumbnail* t = FindLiveThumbnail(thumbnail);
    if (t == nullptr) {
        return kResultInvalidHandle;
    }
    t->updates.push_back(properties);
    return kResultOk;
}

HResult FakePlatform::UnregisterThumbnail(ThumbnailHandle thumbnail) {
    Thumbnail* t = FindLiveThumbnail(thumbnail);
    if (t == nullptr) {
        return kResultInvalidHandle;
    }
    t->registered = false;
    return kResultOk;
}

InstanceGuard FakePlatform::CreateInstanceGuard(const std::string& name) {
    InstanceGuard guard;
    guard.alreadyExists = guards_[name] > 0;
    guards_[name] += 1;
    guard.handle = nextGuard_++;
    guardHandles_[guard.handle] = name;
    return guard;
}

void FakePlatform::CloseInstanceGuard(std::intptr_t handle) {
    auto it = guardHandles_.find(handle);
    if (it == guardHandles_.end()) {
        return;
    }
    guards_[it->second] -= 1;
    guardHandles_.erase(it);
}

FakePlatform::Window* FakePlatform::FindWindow(WindowHandle window) {
    for (Window& w : windows_) {
        if (w.handle == window) {
            return &w;
        }
    }
    return nullptr;
}

FakePlatform::Thumbnail* FakePlatform::FindLiveThumbnail(ThumbnailHandle handle) {
    for (Thumbnail& t : thumbnails_) {
        if (t.handle == handle && t.registered) {
            return &t;
        }
    }
    return nullptr;
}

FakePlatform& InstallFakePlatform() {
    auto fake = std::make_unique<FakePlatform>();
    FakePlatform& ref = *fake;
    InstallPlatform(std::move(fake));
    return ref;
}
