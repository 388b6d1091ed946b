#include "platform/x11/X11CloneWindow.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;
// WM_HINTS: flags, input, initial_state, icon_pixmap, icon_window, icon_x, icon_y,
// icon_mask, window_group; the InputHint flag says the input field holds.
constexpr std::size_t kWmHintsFields = 9;
constexpr std::uint32_t kInputHint = 1;

std::vector<std::uint32_t> ReadCardinals(X11Context& context, xcb_window_t window,
                                         xcb_atom_t property, xcb_atom_t type) {
    xcb_connection_t* c = context.Connection();
    auto reply =
        XcbTake(c, xcb_get_property(c, 0, window, property, type, 0, 1024), xcb_get_property_reply);
    if (!reply || reply->format != 32 || reply->type != type) {
        return {};
    }
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {data, data + xcb_get_property_value_length(reply.get()) / 4};
}

xcb_void_cookie_t Write(X11Context& context, xcb_window_t window, xcb_atom_t property,
                        xcb_atom_t type, const std::vector<std::uint32_t>& values) {
    return xcb_change_property_checked(context.Connection(), XCB_PROP_MODE_REPLACE, window,
                                       property, type, 32,
                                       static_cast<std::uint32_t>(values.size()), values.data());
}

std::vector<std::uint32_t> WithStates(X11Context& context, std::vector<std::uint32_t> atoms) {
    for (const char* name : {"_NET_WM_STATE_STICKY", "_NET_WM_STATE_FULLSCREEN",
                             "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        const xcb_atom_t atom = context.Atom(name);
        if (atom != XCB_ATOM_NONE && std::find(atoms.begin(), atoms.end(), atom) == atoms.end()) {
            atoms.push_back(atom);
        }
    }
    return atoms;
}

std::vector<std::uint32_t> WithoutFocusInput(std::vector<std::uint32_t> hints) {
    hints.resize(std::max(hints.size(), kWmHintsFields), 0);
    hints[0] |= kInputHint;
    hints[1] = 0;
    return hints;
}

}  // namespace

bool PrepareX11CloneWindow(X11Context& context, xcb_window_t window) {
    context.InternAtoms({"_NET_WM_DESKTOP", "_NET_WM_STATE", "_NET_WM_STATE_STICKY",
                         "_NET_WM_STATE_FULLSCREEN", "_NET_WM_STATE_SKIP_TASKBAR",
                         "_NET_WM_STATE_SKIP_PAGER", "WM_PROTOCOLS", "WM_TAKE_FOCUS"});
    const xcb_atom_t state = context.Atom("_NET_WM_STATE");
    const xcb_atom_t protocols = context.Atom("WM_PROTOCOLS");
    std::vector<std::uint32_t> protocolList =
        ReadCardinals(context, window, protocols, XCB_ATOM_ATOM);
    std::erase(protocolList, context.Atom("WM_TAKE_FOCUS"));
    const std::array cookies{
        Write(context, window, context.Atom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, {kAllDesktops}),
        Write(context, window, state, XCB_ATOM_ATOM,
              WithStates(context, ReadCardinals(context, window, state, XCB_ATOM_ATOM))),
        Write(context, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS,
              WithoutFocusInput(
                  ReadCardinals(context, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS))),
        Write(context, window, protocols, XCB_ATOM_ATOM, protocolList),
    };
    bool ok = true;
    for (const xcb_void_cookie_t& cookie : cookies) {
        XcbReply<xcb_generic_error_t> error(xcb_request_check(context.Connection(), cookie));
        ok = ok && !error;
    }
    return ok;
}
