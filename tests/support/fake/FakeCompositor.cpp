#include "tests/support/fake/FakeCompositor.h"

#include <algorithm>

class FakeThumbnail : public Thumbnail {
  public:
    FakeThumbnail(ThumbnailRecord& record, std::vector<FakeThumbnail*>& live,
                  const std::function<std::optional<QSize>(WindowHandle)>& sourceSize)
        : record_(record), live_(live), sourceSize_(sourceSize) {
        live_.push_back(this);
    }
    ~FakeThumbnail() override {
        record_.alive = false;
        std::erase(live_, this);
    }

    bool Place(const QRect& destination, bool visible) override {
        record_.placements.push_back({destination, visible});
        return true;
    }
    std::optional<QSize> SourceSize() override { return sourceSize_(record_.source); }
    WindowHandle Source() const { return record_.source; }
    void SourceResized() { NotifySourceResized(); }

  private:
    ThumbnailRecord& record_;
    std::vector<FakeThumbnail*>& live_;
    const std::function<std::optional<QSize>(WindowHandle)>& sourceSize_;
};

FakeCompositor::FakeCompositor(std::function<std::optional<QSize>(WindowHandle)> sourceSize)
    : sourceSize_(std::move(sourceSize)) {}

void FakeCompositor::NotifySourceResized(WindowHandle source) {
    // A copy: a handler may destroy thumbnails.
    const std::vector<FakeThumbnail*> live = live_;
    for (FakeThumbnail* thumbnail : live) {
        if (std::find(live_.begin(), live_.end(), thumbnail) != live_.end() &&
            thumbnail->Source() == source) {
            thumbnail->SourceResized();
        }
    }
}

const ThumbnailRecord* FakeCompositor::LiveThumbnailInto(WindowHandle destination) const {
    for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
        if (it->alive && it->destination == destination) {
            return &*it;
        }
    }
    return nullptr;
}

int FakeCompositor::LiveCount() const {
    return static_cast<int>(std::count_if(records_.begin(), records_.end(),
                                          [](const ThumbnailRecord& r) { return r.alive; }));
}

std::unique_ptr<Thumbnail> FakeCompositor::CreateThumbnail(WindowHandle destination,
                                                           WindowHandle source) {
    if (failNext_) {
        failNext_ = false;
        return nullptr;
    }
    if (destination == 0 || !sourceSize_(source)) {
        return nullptr;
    }
    ThumbnailRecord& record = records_.emplace_back();
    record.id = static_cast<int>(records_.size());
    record.destination = destination;
    record.source = source;
    return std::make_unique<FakeThumbnail>(record, live_, sourceSize_);
}
