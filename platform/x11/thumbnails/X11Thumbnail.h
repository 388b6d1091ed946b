// One thumbnail handed out by the X11 compositor: a registration with the thumbnail engine.
// It may outlive the compositor; it then releases nothing (the engine freed everything
// when it went).
#pragma once

#include <QRect>
#include <QSize>

#include <memory>
#include <optional>

#include "platform/Compositor.h"
#include "platform/x11/thumbnails/X11ThumbEngine.h"

class X11Thumbnail final : public Thumbnail {
  public:
    X11Thumbnail(const std::shared_ptr<X11ThumbEngine>& owner, X11ThumbEngine::Id id);
    ~X11Thumbnail() override;
    X11Thumbnail(const X11Thumbnail&) = delete;
    X11Thumbnail& operator=(const X11Thumbnail&) = delete;

    bool Place(const QRect& destination, bool visible) override;
    bool SetSource(const QRect& part, ImageTurn turn) override;
    std::optional<QSize> SourceSize() override;

  private:
    std::weak_ptr<X11ThumbEngine> owner_;
    X11ThumbEngine::Id id_;
};
