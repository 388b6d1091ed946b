#include "platform/x11/system/X11CloneWindow.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;
// WM_HINTS: flags, input, initial_state, icon_pixmap, icon_window, icon_x, icon_y,
// icon_mask, window_group; the InputHint flag says the input field holds.
constexpr std::size_t kWmHintsFields = 9;
constexpr std::uint32_t kInputHint = 1;
// IceWM's layers: normal windows 4, panels (docks) 8, above the panels 10.
constexpr std::uint32_t kLayerAbovePanels = 10;

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

// The name the running window manager gives its check window; empty without one.
std::string WindowManagerName(X11Context& context) {
    const std::vector<std::uint32_t> check = ReadCardinals(
        context, context.Root(), context.Atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
    if (check.size() != 1) {
        return {};
    }
    xcb_connection_t* c = context.Connection();
    const xcb_atom_t utf8 = context.Atom("UTF8_STRING");
    auto reply =
        XcbTake(c, xcb_get_property(c, 0, check[0], context.Atom("_NET_WM_NAME"), utf8, 0, 64),
                xcb_get_property_reply);
    if (!reply || reply->format != 8 || reply->type != utf8) {
        return {};
    }
    const auto* text = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return {text, text + xcb_get_property_value_length(reply.get())};
}

enum class Manager { Other, IceWm, Unmanaged };

// IceWM lifts a full-screen window above panels only while that window has the focus, and
// when one that refuses the focus appears it moves the keyboard to none of its clients while
// still counting the previously active window as active, so that window cannot ask for it
// back. A clone there is a plain window that covers its display, in IceWM's layer above the
// panels (its own _WIN_LAYER hint), so the main window keeps the keyboard and the clone still
// covers the whole display.
//
// i3 and awesome (its default rules) do not show a full-screen window that refuses the keyboard
// where it asks to be and keep it there: they put a new window on the monitor with the pointer
// or the focus, awesome frames it with a title bar, i3 keeps it on one workspace and gives it
// the keyboard when the pointer enters it or the user moves to its monitor. There the window is
// not managed at all (override-redirect): the program alone puts it on its display, no
// workspace change hides it, it is in no task list and never has the keyboard.
Manager RunningManager(X11Context& context) {
    const std::string name = WindowManagerName(context);
    if (std::string_view(name).starts_with("IceWM")) {
        return Manager::IceWm;
    }
    return name == "i3" || name == "awesome" ? Manager::Unmanaged : Manager::Other;
}

std::vector<std::uint32_t> WithStates(X11Context& context, std::vector<std::uint32_t> atoms,
                                      bool fullScreen) {
    std::vector<const char*> names{"_NET_WM_STATE_STICKY", "_NET_WM_STATE_SKIP_TASKBAR",
                                   "_NET_WM_STATE_SKIP_PAGER"};
    if (fullScreen) {
        names.push_back("_NET_WM_STATE_FULLSCREEN");
    }
    for (const char* name : names) {
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
                         "_NET_WM_STATE_SKIP_PAGER", "WM_PROTOCOLS", "WM_TAKE_FOCUS",
                         "_NET_SUPPORTING_WM_CHECK", "_NET_WM_NAME", "UTF8_STRING", "_WIN_LAYER"});
    const Manager manager = RunningManager(context);
    const bool fullScreen = manager != Manager::IceWm;
    const xcb_atom_t state = context.Atom("_NET_WM_STATE");
    const xcb_atom_t protocols = context.Atom("WM_PROTOCOLS");
    std::vector<std::uint32_t> protocolList =
        ReadCardinals(context, window, protocols, XCB_ATOM_ATOM);
    std::erase(protocolList, context.Atom("WM_TAKE_FOCUS"));
    const std::array cookies{
        Write(context, window, context.Atom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, {kAllDesktops}),
        Write(
            context, window, state, XCB_ATOM_ATOM,
            WithStates(context, ReadCardinals(context, window, state, XCB_ATOM_ATOM), fullScreen)),
        Write(context, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS,
              WithoutFocusInput(
                  ReadCardinals(context, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS))),
        Write(context, window, protocols, XCB_ATOM_ATOM, protocolList),
    };
    std::vector<xcb_void_cookie_t> checks(cookies.begin(), cookies.end());
    if (!fullScreen) {
        checks.push_back(Write(context, window, context.Atom("_WIN_LAYER"), XCB_ATOM_CARDINAL,
                               {kLayerAbovePanels}));
    }
    if (manager == Manager::Unmanaged) {
        const std::uint32_t overrideRedirect = 1;
        checks.push_back(xcb_change_window_attributes_checked(
            context.Connection(), window, XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect));
    }
    bool ok = true;
    for (const xcb_void_cookie_t& cookie : checks) {
        XcbReply<xcb_generic_error_t> error(xcb_request_check(context.Connection(), cookie));
        ok = ok && !error;
    }
    return ok;
}
