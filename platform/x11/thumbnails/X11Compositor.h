// The compositor of the X11 backend: thumbnails drawn by the X server (see X11ThumbEngine.h),
// on a connection of their own opened on first use. A thumbnail handed out may outlive the
// compositor; it then releases nothing (the compositor freed everything when it went).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Compositor.h"
#include "platform/x11/connection/X11ToolkitConnection.h"
#include "platform/x11/thumbnails/X11ThumbEngine.h"

class X11Compositor final : public Compositor {
  public:
    explicit X11Compositor(X11ToolkitConnection& toolkit) : toolkit_(toolkit) {}
    bool Available() override;
    // The extensions among Composite, RENDER and DAMAGE that the server lacks; all three,
    // with the versions needed, when they are there but too old.
    QString MissingFeatures() override;
    std::unique_ptr<Thumbnail> CreateThumbnail(WindowHandle destination,
                                               WindowHandle source) override;
    void SetPointerShown(bool shown) override;
    bool CanShowPointer() const override { return true; }
    // The one composite per frame crops, mirrors and rotates through the picture's transform.
    bool CanCrop() const override { return true; }
    bool CanTransform() const override { return true; }
    // How many images this compositor's thumbnails have composited, for benchmarks.
    std::uint64_t FramesDrawn() const;
    // The thumbnails' connection (opened now if need be); null without a display.
    X11Context* Connection();

  private:
    bool Attach();
    X11ToolkitConnection& toolkit_;
    std::shared_ptr<X11ThumbEngine> engine_;
    bool pointerShown_ = true;
};
