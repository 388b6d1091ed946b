// The compositor part of the Wayland backend: thumbnails are drawn by the program itself
// from the portal's PipeWire stream of the source window.
#pragma once

#include <QDBusConnection>

#include "platform/Compositor.h"

class QWindow;
class WaylandWindows;

class WaylandCompositor : public Compositor {
  public:
    WaylandCompositor(WaylandWindows& windows, QDBusConnection bus);
    // True when the screen-cast portal is on the session bus (or can be started there) or
    // the compositor publishes a window list.
    bool Available() override;
    std::unique_ptr<Thumbnail> CreateThumbnail(WindowHandle destination,
                                               WindowHandle source) override;
    // The program's own window with that id, if it exists already (none is created).
    static QWindow* FindOwnWindow(WindowHandle window);

  private:
    WaylandWindows& windows_;
    QDBusConnection bus_;
};
