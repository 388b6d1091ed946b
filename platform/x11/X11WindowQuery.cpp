#include "platform/x11/X11WindowQuery.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/x11/X11TitleText.h"
#include "platform/x11/X11TopLevels.h"

namespace {

// Property data read per title: 64 KiB, far more than any caller shows, and a cap on what
// a client can make the program hold.
constexpr std::uint32_t kTitleLongs = 64 * 1024 / 4;
constexpr std::uint32_t kHostLongs = 64;

struct TitleCookies {
    xcb_get_property_cookie_t netName;
    xcb_get_property_cookie_t name;
};

TitleCookies AskTitle(X11Context& context, xcb_window_t window) {
    xcb_connection_t* c = context.Connection();
    return {xcb_get_property(c, 0, window, context.Atom("_NET_WM_NAME"), XCB_GET_PROPERTY_TYPE_ANY,
                             0, kTitleLongs),
            xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0,
                             kTitleLongs)};
}

std::string_view Bytes(xcb_get_property_reply_t* reply) {
    if (reply == nullptr || reply->format != 8) {
        return {};
    }
    return {static_cast<const char*>(xcb_get_property_value(reply)),
            static_cast<std::size_t>(xcb_get_property_value_length(reply))};
}

// STRING is Latin-1 and COMPOUND_TEXT has its own decoder; UTF8_STRING and any type a
// client invents are read as UTF-8, which never fails.
std::u16string DecodeProperty(X11Context& context, xcb_get_property_reply_t* reply) {
    const std::string_view bytes = Bytes(reply);
    if (bytes.empty()) {
        return {};
    }
    if (reply->type == XCB_ATOM_STRING) {
        return DecodeTitle(TitleEncoding::Latin1, bytes);
    }
    if (reply->type == context.Atom("COMPOUND_TEXT")) {
        return DecodeTitle(TitleEncoding::CompoundText, bytes);
    }
    return DecodeTitle(TitleEncoding::Utf8, bytes);
}

// _NET_WM_NAME first; an absent or empty one falls back to WM_NAME.
std::u16string TakeTitle(X11Context& context, const TitleCookies& cookies) {
    xcb_connection_t* c = context.Connection();
    auto netName = XcbTake(c, cookies.netName, xcb_get_property_reply);
    auto name = XcbTake(c, cookies.name, xcb_get_property_reply);
    std::u16string title = DecodeProperty(context, netName.get());
    return title.empty() ? DecodeProperty(context, name.get()) : title;
}

std::string HostName() {
    std::array<char, 256> buffer{};
    if (gethostname(buffer.data(), buffer.size() - 1) != 0) {
        return {};
    }
    return buffer.data();
}

}  // namespace

X11WindowQuery::X11WindowQuery(X11Context& context)
    : context_(context), pid_(getpid()), host_(HostName()) {
    context_.InternAtoms({"_NET_WM_NAME", "_NET_WM_PID", "_NET_CLIENT_LIST", "COMPOUND_TEXT",
                          "_NET_SUPPORTING_WM_CHECK", "WM_STATE"});
    handlerId_ = context_.AddEventHandler([this](xcb_generic_event_t* e) { return OnEvent(e); });
    context_.AddEventMask(context_.Root(),
                          XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
}

X11WindowQuery::~X11WindowQuery() {
    context_.RemoveEventHandler(handlerId_);
}

void X11WindowQuery::BuildList(WindowHandle applicationWindow) {
    TopLevelWindows found = FindTopLevelWindows(context_);
    fromClientList_ = found.fromClientList;
    std::vector<xcb_window_t> windows;
    windows.reserve(found.windows.size());
    for (xcb_window_t w : found.windows) {
        if (w != XCB_WINDOW_NONE && w != applicationWindow && !context_.IsOwnResource(w) &&
            std::find(windows.begin(), windows.end(), w) == windows.end()) {
            windows.push_back(w);
        }
    }
    // Watch first, then read: a title that changes after the read is then reported.
    WatchNewWindows(windows);
    const std::vector<WindowFacts> facts = ReadFacts(windows);

    snapshot_.clear();
    titles_.clear();
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (facts[i].ownProcess) {
            continue;
        }
        snapshot_.push_back(windows[i]);
        titles_[windows[i]] = facts[i].title;
    }
}

WindowHandle X11WindowQuery::Item(int position) const {
    if (position < 1 || position > Count()) {
        return 0;
    }
    return snapshot_[static_cast<std::size_t>(position - 1)];
}

int X11WindowQuery::ReadTitle(WindowHandle window, char16_t* buffer, int maxCount) {
    if (buffer == nullptr || maxCount < 1) {
        return 0;
    }
    buffer[0] = u'\0';
    if (auto it = titles_.find(window); it != titles_.end()) {
        return CopyTitle(it->second, buffer, maxCount);
    }
    if (window == XCB_WINDOW_NONE) {
        return 0;
    }
    // Not in the snapshot, or changed since: ask now. A window that no longer exists
    // answers with an error, which gives the empty title.
    return CopyTitle(TakeTitle(context_, AskTitle(context_, window)), buffer, maxCount);
}

std::vector<X11WindowQuery::WindowFacts> X11WindowQuery::ReadFacts(
    const std::vector<xcb_window_t>& windows) {
    xcb_connection_t* c = context_.Connection();
    const xcb_atom_t pidAtom = context_.Atom("_NET_WM_PID");
    struct Pending {
        TitleCookies title;
        xcb_get_property_cookie_t pid;
        xcb_get_property_cookie_t host;
    };
    std::vector<Pending> pending;
    pending.reserve(windows.size());
    for (xcb_window_t w : windows) {
        pending.push_back({AskTitle(context_, w),
                           xcb_get_property(c, 0, w, pidAtom, XCB_ATOM_CARDINAL, 0, 1),
                           xcb_get_property(c, 0, w, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, 0,
                                            kHostLongs)});
    }
    std::vector<WindowFacts> facts(windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i) {
        facts[i].title = TakeTitle(context_, pending[i].title);
        auto pid = XcbTake(c, pending[i].pid, xcb_get_property_reply);
        auto host = XcbTake(c, pending[i].host, xcb_get_property_reply);
        // Windows of this process made through another connection. A pid means nothing
        // without the host it belongs to.
        const bool pidMatches =
            pid && pid->format == 32 && xcb_get_property_value_length(pid.get()) == 4 &&
            *static_cast<const std::uint32_t*>(xcb_get_property_value(pid.get())) ==
                static_cast<std::uint32_t>(pid_);
        facts[i].ownProcess = pidMatches && !host_.empty() && Bytes(host.get()) == host_;
    }
    return facts;
}

// Property changes of listed windows (titles) wake the event loop. Only windows new to
// the list, or silenced since the last snapshot, are asked, so a steady desktop costs
// nothing here.
void X11WindowQuery::WatchNewWindows(const std::vector<xcb_window_t>& windows) {
    std::vector<xcb_window_t> fresh;
    for (xcb_window_t w : windows) {
        if (!watched_.contains(w) || silenced_.contains(w)) {
            fresh.push_back(w);
        }
    }
    watched_ = std::unordered_set<xcb_window_t>(windows.begin(), windows.end());
    silenced_.clear();
    if (!fresh.empty()) {
        context_.AddEventMask(fresh, XCB_EVENT_MASK_PROPERTY_CHANGE);
    }
}

bool X11WindowQuery::OnEvent(xcb_generic_event_t* event) {
    switch (event->response_type & 0x7f) {
        case XCB_DESTROY_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
            titles_.erase(e->window);
            watched_.erase(e->window);
            silenced_.erase(e->window);
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (e->window == context_.Root()) {
                // A window manager's client list changed: a listed window may be gone
                // without a DestroyNotify reaching us (it lived inside a frame).
                if (e->atom == context_.Atom("_NET_CLIENT_LIST")) {
                    titles_.clear();
                }
            } else {
                if (e->atom == XCB_ATOM_WM_NAME || e->atom == context_.Atom("_NET_WM_NAME")) {
                    titles_.erase(e->window);
                }
                // One notification is enough to wake the loop; the next snapshot asks for
                // the next one. A client renaming without pause thus sends a handful of
                // events per refresh instead of millions.
                if (watched_.contains(e->window) && silenced_.insert(e->window).second) {
                    context_.RemoveEventMask(e->window, XCB_EVENT_MASK_PROPERTY_CHANGE);
                }
            }
            break;
        }
        default:
            break;
    }
    return false;  // Qt may want the same events (its own windows' properties, for one)
}
