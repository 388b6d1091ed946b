#include "platform/x11/windows/X11WindowIdentity.h"

#include <unistd.h>

#include <QFileInfo>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/x11/connection/X11Reply.h"

namespace {

std::string PropertyBytes(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    auto reply = XcbTake(c, cookie, xcb_get_property_reply);
    if (!reply || reply->format != 8) {
        return {};
    }
    const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return {data, static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))};
}

std::optional<std::uint32_t> PropertyCardinal(xcb_connection_t* c,
                                              xcb_get_property_cookie_t cookie) {
    auto reply = XcbTake(c, cookie, xcb_get_property_reply);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) {
        return std::nullopt;
    }
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
}

std::string HostName() {
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0) {
        return {};
    }
    return name.data();
}

QString ExecutableOf(std::uint32_t pid) {
    const QFileInfo link(QStringLiteral("/proc/%1/exe").arg(pid));
    return link.exists() ? link.symLinkTarget() : QString();
}

}  // namespace

WindowIdentity ReadWindowIdentity(X11Context& context, xcb_window_t window) {
    xcb_connection_t* c = context.Connection();
    constexpr std::uint32_t kLongs = 256;
    const auto classCookie =
        xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, kLongs);
    const auto machineCookie = xcb_get_property(c, 0, window, XCB_ATOM_WM_CLIENT_MACHINE,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, kLongs);
    const auto pidCookie =
        xcb_get_property(c, 0, window, context.Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1);
    WindowIdentity identity;
    // WM_CLASS: the instance name, a NUL, the class name, a NUL.
    const std::string wmClass = PropertyBytes(c, classCookie);
    const std::size_t split = wmClass.find('\0');
    identity.instance = QString::fromLocal8Bit(wmClass.substr(0, split));
    if (split != std::string::npos) {
        const std::string rest = wmClass.substr(split + 1);
        identity.windowClass = QString::fromLocal8Bit(rest.substr(0, rest.find('\0')));
    }
    const std::string machine = PropertyBytes(c, machineCookie);
    const auto pid = PropertyCardinal(c, pidCookie);
    if (pid && *pid > 0 && (machine.empty() || machine == HostName())) {
        identity.executable = ExecutableOf(*pid);
    }
    return identity;
}
