// The fake backend's compositor: records every thumbnail and every placement instead of
// drawing, so tests can check what a clone asked for.
#pragma once

#include <QRect>
#include <QSize>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/Compositor.h"

struct ThumbnailPlacement {
    QRect destination;
    bool visible = false;
    friend bool operator==(const ThumbnailPlacement&, const ThumbnailPlacement&) = default;
};

// One registration, kept after its thumbnail is gone so tests can look back at it.
struct ThumbnailRecord {
    int id = 0;
    WindowHandle destination = 0;
    WindowHandle source = 0;
    bool alive = true;  // false once the thumbnail object is destroyed
    std::vector<ThumbnailPlacement> placements;
};

class FakeThumbnail;

class FakeCompositor : public Compositor {
  public:
    // sourceSize answers a source window's size, or nothing when the window is gone.
    explicit FakeCompositor(std::function<std::optional<QSize>(WindowHandle)> sourceSize);

    void SetAvailable(bool available) { available_ = available; }
    void SetMissingFeatures(const QString& missing) { missing_ = missing; }
    void SetUnavailableMessage(const QString& message) { unavailableMessage_ = message; }
    // The next registration fails (the call answers null) and registers nothing.
    void FailNextRegistration() { failNext_ = true; }

    const std::deque<ThumbnailRecord>& Records() const { return records_; }
    // Every living thumbnail of source hears that its source changed size.
    void NotifySourceResized(WindowHandle source);
    bool PointerShown() const { return pointerShown_; }
    // The newest living thumbnail drawn into destination, or null.
    const ThumbnailRecord* LiveThumbnailInto(WindowHandle destination) const;
    int LiveCount() const;

    bool Available() override { return available_; }
    QString MissingFeatures() override { return available_ ? QString() : missing_; }
    QString UnavailableMessage() override { return available_ ? QString() : unavailableMessage_; }
    std::unique_ptr<Thumbnail> CreateThumbnail(WindowHandle destination,
                                               WindowHandle source) override;
    void SetPointerShown(bool shown) override { pointerShown_ = shown; }

  private:
    friend class FakeThumbnail;
    std::function<std::optional<QSize>(WindowHandle)> sourceSize_;
    std::deque<ThumbnailRecord> records_;  // a deque keeps the records where they are
    QString missing_;
    QString unavailableMessage_;
    bool available_ = true;
    bool failNext_ = false;
    bool pointerShown_ = true;
    std::vector<FakeThumbnail*> live_;
};
