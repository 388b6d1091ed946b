// Qt's xcb connection as the X11 backend's parts use it. Qt opens that connection when the
// application object starts, after the backend was made, so the context on it is made on
// first use; it belongs to the backend, which hands this holder to each of its parts and
// ends it after them.
#pragma once

#include <memory>

#include "platform/x11/connection/X11Context.h"

class X11ToolkitConnection {
  public:
    X11ToolkitConnection() = default;
    X11ToolkitConnection(const X11ToolkitConnection&) = delete;
    X11ToolkitConnection& operator=(const X11ToolkitConnection&) = delete;

    // The context on Qt's connection, made now if need be; null while the application does
    // not run on Qt's xcb platform.
    X11Context* Context();

  private:
    std::unique_ptr<X11Context> context_;
};
