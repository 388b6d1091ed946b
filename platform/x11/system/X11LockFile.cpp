#include "platform/x11/system/X11LockFile.h"

#include <string>
#include <string_view>

namespace {

// ":0", ":0.0" and "unix:0.1" all name display 0 of the local server; the screen suffix
// does not matter because the program sees every screen of its display.
std::string DisplayKey(const char* display) {
    if (display == nullptr || *display == '\0') {
        return "none";
    }
    std::string_view d(display);
    const auto colon = d.rfind(':');
    if (colon == std::string_view::npos) {
        return SafeFileNamePart(d);
    }
    std::string_view host = d.substr(0, colon);
    std::string_view number = d.substr(colon + 1);
    if (host == "unix") {
        host = {};
    }
    number = number.substr(0, number.find('.'));
    return SafeFileNamePart(host) + ":" + SafeFileNamePart(number);
}

}  // namespace

std::string LockFileName(const std::string& name, const char* display) {
    return SafeFileNamePart(name) + "-" + DisplayKey(display) + ".lock";
}
