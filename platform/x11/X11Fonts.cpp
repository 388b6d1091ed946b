#include "platform/x11/X11System.h"

std::optional<LogicalFont> DesktopGeneralFont() {
    return std::nullopt;
}

LogicalFont ApplicationDefaultFont() {
    return {};
}
