// The X11 backend. Creating it touches no display: the guard and the language work before
// the toolkit starts; the window list, the displays and the compositor attach to Qt's xcb
// connection on first use. The backend owns the context on that connection and hands it to
// its parts, which all go before it.
#pragma once

#include <memory>

#include "platform/Platform.h"
#include "platform/x11/system/X11DisplayCheck.h"

class X11Context;

class X11Platform final : public Platform {
  public:
    X11Platform();
    ~X11Platform() override;
    X11Platform(const X11Platform&) = delete;
    X11Platform& operator=(const X11Platform&) = delete;

    WindowList& Windows() override;
    DisplayList& Displays() override;
    ::Compositor& Compositor() override;
    SystemServices& System() override;
    const CodePages& Encodings() override;

    // The context on Qt's connection that the parts share, made now if need be; null while
    // the application does not run on Qt's xcb platform.
    X11Context* ToolkitContext();

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

std::unique_ptr<Platform> CreateX11Platform();
