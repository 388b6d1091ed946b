#include "tests/support/fake/FakePlatform.h"

#include <algorithm>

void FakeDisplayList::Set(std::vector<DisplayInfo> displays) {
    displays_ = std::move(displays);
    emit Changed();
}

// Counts as a holder of its name for as long as it lives.
class FakePlatform::Guard : public InstanceGuard {
  public:
    Guard(std::map<QString, int>& guards, const QString& name)
        : guards_(guards), name_(name), alreadyRunning_(guards[name] > 0) {
        guards_[name_] += 1;
    }
    ~Guard() override { guards_[name_] -= 1; }
    bool AlreadyRunning() const override { return alreadyRunning_; }

  private:
    std::map<QString, int>& guards_;
    QString name_;
    bool alreadyRunning_;
};

FakePlatform::FakePlatform()
    : compositor_([this](WindowHandle window) { return SourceSize(window); }) {}

FakePlatform::~FakePlatform() = default;

WindowHandle FakePlatform::AddWindow(const QString& title, QSize size) {
    windows_.push_back({nextWindow_++, title, size, false});
    return windows_.back().handle;
}

void FakePlatform::RenameWindow(WindowHandle window, const QString& title) {
    if (Window* w = FindWindow(window)) {
        w->title = title;
    }
}

void FakePlatform::ResizeWindow(WindowHandle window, QSize size) {
    if (Window* w = FindWindow(window); w != nullptr && w->size != size) {
        w->size = size;
        compositor_.NotifySourceResized(window);
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

void FakePlatform::SetMonitors(const std::vector<QRect>& monitors) {
    std::vector<DisplayInfo> displays;
    for (const QRect& rect : monitors) {
        displays.push_back({rect, QStringLiteral("fake-%1").arg(displays.size() + 1)});
    }
    displays_.Set(std::move(displays));
}

void FakePlatform::AddMonitor(const QRect& rect) {
    std::vector<QRect> monitors = Monitors();
    monitors.push_back(rect);
    SetMonitors(monitors);
}

void FakePlatform::RemoveMonitor(int index) {
    std::vector<QRect> monitors = Monitors();
    if (index >= 0 && index < static_cast<int>(monitors.size())) {
        monitors.erase(monitors.begin() + index);
        SetMonitors(monitors);
    }
}

std::vector<QRect> FakePlatform::Monitors() const {
    std::vector<QRect> rects;
    for (const DisplayInfo& display : displays_.Current()) {
        rects.push_back(display.rect);
    }
    return rects;
}

int FakePlatform::GuardHolders(const QString& name) const {
    const auto it = guards_.find(name);
    return it == guards_.end() ? 0 : it->second;
}

std::vector<ListedWindow> FakePlatform::Snapshot(WindowHandle applicationWindow) {
    ++snapshotCalls_;
    lastApplicationWindow_ = applicationWindow;
    std::vector<ListedWindow> listed;
    for (const Window& w : windows_) {
        if (w.handle != applicationWindow) {
            listed.push_back({w.handle, w.titleReadFails ? QString() : w.title});
        }
    }
    return listed;
}

std::unique_ptr<InstanceGuard> FakePlatform::AcquireInstanceGuard(const QString& name) {
    return std::make_unique<Guard>(guards_, name);
}

FakePlatform::Window* FakePlatform::FindWindow(WindowHandle window) {
    const auto it = std::find_if(windows_.begin(), windows_.end(),
                                 [window](const Window& w) { return w.handle == window; });
    return it == windows_.end() ? nullptr : &*it;
}

std::optional<QSize> FakePlatform::SourceSize(WindowHandle window) {
    const Window* w = FindWindow(window);
    return w == nullptr ? std::nullopt : std::optional<QSize>(w->size);
}
