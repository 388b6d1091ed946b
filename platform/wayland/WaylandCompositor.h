// The compositor part of the Wayland backend: thumbnails are drawn by the program itself
// from the portal's PipeWire stream of the source window.
#pragma once

#include <QDBusConnection>
#include <QPointer>

#include <vector>

#include "platform/Compositor.h"

class FrameView;
class QWindow;
class WaylandWindowList;

class WaylandCompositor : public Compositor {
  public:
    WaylandCompositor(WaylandWindowList& windows, QDBusConnection bus);
    // True when the screen-cast portal is on the session bus (or can be started there) or
    // the compositor publishes a window list.
    bool Available() override;
    // Without the portal: what is missing, what to install, and the way through Xwayland.
    QString UnavailableMessage() override;
    std::unique_ptr<Thumbnail> CreateThumbnail(WindowHandle destination,
                                               WindowHandle source) override;
    // The pointer is drawn from the stream's cursor meta, over every thumbnail's image.
    void SetPointerShown(bool shown) override;
    bool CanShowPointer() const override { return true; }
    // Crops and turns are drawn on both frame paths.
    bool CanCrop() const override { return true; }
    bool CanTransform() const override { return true; }
    // The program's own window with that id, if it exists already (none is created).
    static QWindow* FindOwnWindow(WindowHandle window);

  private:
    WaylandWindowList& windows_;
    QDBusConnection bus_;
    bool pointerShown_ = true;
    // The views of the thumbnails made so far; those destroyed since read as null.
    std::vector<QPointer<FrameView>> views_;
};
