#include "platform/x11/connection/X11ToolkitConnection.h"

X11Context* X11ToolkitConnection::Context() {
    if (!context_) {
        context_ = X11Context::OnToolkitConnection();
    }
    return context_.get();
}
