// The window list of the X11 backend: the window query (see X11WindowQuery.h), attached to
// Qt's connection on the first snapshot.
#pragma once

#include <memory>
#include <vector>

#include "platform/WindowList.h"
#include "platform/x11/connection/X11ToolkitConnection.h"
#include "platform/x11/windows/X11WindowQuery.h"

class X11WindowList final : public WindowList {
  public:
    explicit X11WindowList(X11ToolkitConnection& toolkit) : toolkit_(toolkit) {}
    std::vector<ListedWindow> Snapshot(WindowHandle applicationWindow) override;
    WindowIdentity Identify(WindowHandle window) override;

  private:
    X11ToolkitConnection& toolkit_;
    std::unique_ptr<X11WindowQuery> query_;
};
