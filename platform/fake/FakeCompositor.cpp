#include "platform/fake/FakeCompositor.h"

#include <algorithm>

namespace {

class FakeThumbnail : public Thumbnail {
  public:
    FakeThumbnail(ThumbnailRecord& record,
                  const std::function<std::optional<QSize>(WindowHandle)>& sourceSize)
        : record_(record), sourceSize_(sourceSize) {}
    ~FakeThumbnail() override { record_.alive = false; }

    bool Place(const QRect& destination, bool visible) override {
        record_.placements.push_back({destination, visible});
        return true;
    }
    std::optional<QSize> SourceSize() override { return sourceSize_(record_.source); }

  private:
    ThumbnailRecord& record_;
    const std::function<std::optional<QSize>(WindowHandle)>& sourceSize_;
};

}  // namespace

FakeCompositor::FakeCompositor(std::function<std::optional<QSize>(WindowHandle)> sourceSize)
    : sourceSize_(std::move(sourceSize)) {}

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
    return std::make_unique<FakeThumbnail>(record, sourceSize_);
}
