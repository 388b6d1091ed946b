// The compositor of the X11 backend: thumbnails drawn by the X server (see X11Thumbnails.h),
// on a connection of their own opened on first use. A thumbnail handed out may outlive the
// compositor; it then releases nothing (the compositor freed everything when it went).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Compositor.h"
#include "platform/x11/X11Thumbnails.h"

class X11Compositor final : public Compositor {
  public:
    bool Available() override;
    // The extensions among Composite, RENDER and DAMAGE that the server lacks; all three,
    // with the versions needed, when they are there but too old.
    QString MissingFeatures() override;
    std::unique_ptr<Thumbnail> CreateThumbnail(WindowHandle destination,
                                               WindowHandle source) override;
    void SetPointerShown(bool shown) override;
    bool CanShowPointer() const override { return true; }
    // How many images this compositor's thumbnails have composited, for benchmarks.
    std::uint64_t FramesDrawn() const;
    // The thumbnails' connection (opened now if need be); null without a display.
    X11Context* Connection();

  private:
    bool Attach();
    std::shared_ptr<X11Thumbnails> thumbnails_;
    bool pointerShown_ = true;
};
