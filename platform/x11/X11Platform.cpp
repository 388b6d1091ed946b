#include "platform/x11/X11Platform.h"

#include "platform/IcuCodePages.h"
#include "platform/x11/connection/X11ToolkitConnection.h"
#include "platform/x11/displays/X11DisplayList.h"
#include "platform/x11/system/X11SystemServices.h"
#include "platform/x11/thumbnails/X11Compositor.h"
#include "platform/x11/windows/X11WindowList.h"

// Declared first, the connection is destroyed last: every part lets go of it (removes its
// event handlers, frees its server resources, stops the thumbnails' reader) before.
struct X11Platform::Parts {
    X11ToolkitConnection toolkit;
    X11WindowList windows{toolkit};
    X11DisplayList displays{toolkit};
    X11Compositor compositor{toolkit};
    X11SystemServices system{toolkit};
    IcuCodePages codePages;
};

X11Platform::X11Platform() : parts_(std::make_unique<Parts>()) {}

X11Platform::~X11Platform() = default;

WindowList& X11Platform::Windows() {
    return parts_->windows;
}

DisplayList& X11Platform::Displays() {
    return parts_->displays;
}

::Compositor& X11Platform::Compositor() {
    return parts_->compositor;
}

SystemServices& X11Platform::System() {
    return parts_->system;
}

const CodePages& X11Platform::Encodings() {
    return parts_->codePages;
}

X11Context* X11Platform::ToolkitContext() {
    return parts_->toolkit.Context();
}

std::unique_ptr<Platform> CreateX11Platform() {
    return std::make_unique<X11Platform>();
}
