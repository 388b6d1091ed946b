#include "platform/x11/windows/X11WindowFacts.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "platform/x11/windows/X11TitleText.h"

namespace {

// Property data read per title: 64 KiB, far more than any caller shows, and a cap on what
// a client can make the program hold.
constexpr std::uint32_t kTitleLongs = 64 * 1024 / 4;
constexpr std::uint32_t kHostLongs = 64;

// Property changes feed the facts; destruction drops them (a window manager's client dies
// inside its frame, where no root event tells of it, and its id may be handed out again).
constexpr std::uint32_t kReports = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;

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

// _NET_WM_NAME first; an absent or empty one falls back to WM_NAME. Null replies mean the
// window is gone.
struct TitleReplies {
    XcbReply<xcb_get_property_reply_t> netName;
    XcbReply<xcb_get_property_reply_t> name;
};

TitleReplies TakeTitleReplies(X11Context& context, const TitleCookies& cookies) {
    xcb_connection_t* c = context.Connection();
    return {XcbTake(c, cookies.netName, xcb_get_property_reply),
            XcbTake(c, cookies.name, xcb_get_property_reply)};
}

std::u16string TitleOf(X11Context& context, const TitleReplies& replies) {
    std::u16string title = DecodeProperty(context, replies.netName.get());
    return title.empty() ? DecodeProperty(context, replies.name.get()) : title;
}

constexpr std::uint32_t kAtomListLongs = 64;

// The window types a taskbar leaves out. _NET_WM_WINDOW_TYPE lists types in order of
// preference; the first one named here or in kListedTypes decides, others are skipped.
constexpr const char* kHelperTypes[] = {
    "_NET_WM_WINDOW_TYPE_DESKTOP",       "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_WINDOW_TYPE_TOOLBAR",       "_NET_WM_WINDOW_TYPE_MENU",
    "_NET_WM_WINDOW_TYPE_UTILITY",       "_NET_WM_WINDOW_TYPE_SPLASH",
    "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", "_NET_WM_WINDOW_TYPE_POPUP_MENU",
    "_NET_WM_WINDOW_TYPE_TOOLTIP",       "_NET_WM_WINDOW_TYPE_NOTIFICATION",
    "_NET_WM_WINDOW_TYPE_COMBO",         "_NET_WM_WINDOW_TYPE_DND"};
constexpr const char* kListedTypes[] = {"_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_DIALOG"};

std::vector<xcb_atom_t> Atoms(const xcb_get_property_reply_t* reply) {
    if (reply == nullptr || reply->type != XCB_ATOM_ATOM || reply->format != 32) {
        return {};
    }
    auto* r = const_cast<xcb_get_property_reply_t*>(reply);
    const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(r));
    return {data, data + xcb_get_property_value_length(r) / 4};
}

bool IsOneOf(X11Context& context, xcb_atom_t atom, std::span<const char* const> names) {
    return std::any_of(names.begin(), names.end(),
                       [&](const char* name) { return context.Atom(name) == atom; });
}

// An untyped window, or one of an unknown type only, is an application window.
bool TaskbarEntry(X11Context& context, const xcb_get_property_reply_t* type,
                  const xcb_get_property_reply_t* state) {
    const std::vector<xcb_atom_t> states = Atoms(state);
    if (std::find(states.begin(), states.end(), context.Atom("_NET_WM_STATE_SKIP_TASKBAR")) !=
        states.end()) {
        return false;
    }
    for (xcb_atom_t t : Atoms(type)) {
        if (IsOneOf(context, t, kListedTypes)) {
            return true;
        }
        if (IsOneOf(context, t, kHelperTypes)) {
            return false;
        }
    }
    return true;
}

std::string HostName() {
    std::array<char, 256> buffer{};
    if (gethostname(buffer.data(), buffer.size() - 1) != 0) {
        return {};
    }
    return buffer.data();
}

}  // namespace

X11WindowFacts::X11WindowFacts(X11Context& context)
    : context_(context), pid_(getpid()), host_(HostName()) {
    context_.InternAtoms({"_NET_WM_NAME", "_NET_WM_PID", "COMPOUND_TEXT", "WM_STATE",
                          "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR"});
    context_.InternAtoms({kHelperTypes[0], kHelperTypes[1], kHelperTypes[2], kHelperTypes[3],
                          kHelperTypes[4], kHelperTypes[5], kHelperTypes[6], kHelperTypes[7],
                          kHelperTypes[8], kHelperTypes[9], kHelperTypes[10], kHelperTypes[11],
                          kListedTypes[0], kListedTypes[1]});
}

const X11WindowFacts::Facts* X11WindowFacts::Find(xcb_window_t window) const {
    auto it = known_.find(window);
    return it == known_.end() ? nullptr : &it->second.facts;
}

void X11WindowFacts::Ensure(const std::vector<xcb_window_t>& windows) {
    std::vector<xcb_window_t> unknown;
    for (xcb_window_t w : windows) {
        // Event masks are per connection: the program's own windows carry the bits Qt
        // chose, which watching and then silencing them here would take away.
        if (w == XCB_WINDOW_NONE || context_.IsOwnResource(w)) {
            continue;
        }
        if (auto it = known_.find(w); it != known_.end()) {
            it->second.generation = generation_;
        } else {
            unknown.push_back(w);
        }
    }
    if (unknown.empty()) {
        return;
    }
    // Ask for reports first, then read: a change after the read is then reported. The root
    // (which a hostile client list may name) reports its property changes to the program
    // anyway and is never silenced.
    std::vector<xcb_window_t> others;
    for (xcb_window_t w : unknown) {
        if (w != context_.Root()) {
            others.push_back(w);
        }
    }
    const auto attrs = context_.DescribeAndSelect(others, kReports);
    std::vector<xcb_window_t> present;
    for (std::size_t i = 0; i < others.size(); ++i) {
        if (attrs[i]) {
            present.push_back(others[i]);
            armed_.insert(others[i]);
        }
    }
    if (others.size() < unknown.size()) {
        present.push_back(context_.Root());
    }
    xcb_connection_t* c = context_.Connection();
    const xcb_atom_t pidAtom = context_.Atom("_NET_WM_PID");
    const xcb_atom_t wmState = context_.Atom("WM_STATE");
    struct Pending {
        TitleCookies title;
        xcb_get_property_cookie_t pid;
        xcb_get_property_cookie_t host;
        xcb_get_property_cookie_t state;
        xcb_get_property_cookie_t type;
        xcb_get_property_cookie_t netState;
    };
    const xcb_atom_t typeAtom = context_.Atom("_NET_WM_WINDOW_TYPE");
    const xcb_atom_t netStateAtom = context_.Atom("_NET_WM_STATE");
    std::vector<Pending> pending;
    pending.reserve(present.size());
    for (xcb_window_t w : present) {
        pending.push_back(
            {AskTitle(context_, w), xcb_get_property(c, 0, w, pidAtom, XCB_ATOM_CARDINAL, 0, 1),
             xcb_get_property(c, 0, w, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, 0, kHostLongs),
             xcb_get_property(c, 0, w, wmState, wmState, 0, 2),
             xcb_get_property(c, 0, w, typeAtom, XCB_ATOM_ATOM, 0, kAtomListLongs),
             xcb_get_property(c, 0, w, netStateAtom, XCB_ATOM_ATOM, 0, kAtomListLongs)});
    }
    for (std::size_t i = 0; i < present.size(); ++i) {
        const TitleReplies title = TakeTitleReplies(context_, pending[i].title);
        auto pid = XcbTake(c, pending[i].pid, xcb_get_property_reply);
        auto host = XcbTake(c, pending[i].host, xcb_get_property_reply);
        auto state = XcbTake(c, pending[i].state, xcb_get_property_reply);
        auto type = XcbTake(c, pending[i].type, xcb_get_property_reply);
        auto netState = XcbTake(c, pending[i].netState, xcb_get_property_reply);
        if (!title.netName || !title.name || !pid || !host || !state || !type || !netState) {
            continue;  // gone while being read: nothing to keep
        }
        Facts facts;
        facts.title = TitleOf(context_, title);
        // Windows of this process made through another connection. A pid means nothing
        // without the host it belongs to.
        const bool pidMatches =
            pid->format == 32 && xcb_get_property_value_length(pid.get()) == 4 &&
            *static_cast<const std::uint32_t*>(xcb_get_property_value(pid.get())) ==
                static_cast<std::uint32_t>(pid_);
        facts.ownProcess = pidMatches && !host_.empty() && Bytes(host.get()) == host_;
        facts.hasWmState =
            state->type != XCB_ATOM_NONE && xcb_get_property_value_length(state.get()) > 0;
        facts.taskbarEntry = TaskbarEntry(context_, type.get(), netState.get());
        known_[present[i]] = {std::move(facts), generation_};
    }
}

void X11WindowFacts::EndSnapshot() {
    std::erase_if(known_,
                  [this](const auto& entry) { return entry.second.generation != generation_; });
}

void X11WindowFacts::OnEvent(xcb_generic_event_t* event) {
    if (IsForgedStructureEvent(event)) {
        return;
    }
    switch (event->response_type & 0x7f) {
        case XCB_DESTROY_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
            known_.erase(e->window);
            armed_.erase(e->window);
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_property_notify_event_t*>(event);
            known_.erase(e->window);
            // One notification is enough to wake the loop; the next snapshot asks for the
            // next one before it reads the window again.
            // Never on the root or an own window: Qt waits for their property changes
            // (the root's give it the server time).
            if (armed_.erase(e->window) > 0 && e->window != context_.Root() &&
                !context_.IsOwnResource(e->window)) {
                context_.RemoveEventMask(e->window, XCB_EVENT_MASK_PROPERTY_CHANGE);
            }
            break;
        }
        default:
            break;
    }
}
