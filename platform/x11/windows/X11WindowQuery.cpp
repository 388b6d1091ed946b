#include "platform/x11/windows/X11WindowQuery.h"

#include <unordered_set>

X11WindowQuery::X11WindowQuery(X11Context& context)
    : context_(context), facts_(context), topLevels_(context) {
    handlerId_ = context_.AddEventHandler([this](xcb_generic_event_t* e) { return OnEvent(e); });
    context_.AddEventMask(context_.Root(),
                          XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
}

X11WindowQuery::~X11WindowQuery() {
    context_.RemoveEventHandler(handlerId_);
}

std::vector<ListedWindow> X11WindowQuery::Snapshot(WindowHandle applicationWindow) {
    facts_.BeginSnapshot();
    TopLevelWindows found = topLevels_.Find(facts_);
    fromClientList_ = found.fromClientList;
    std::vector<xcb_window_t> windows;
    windows.reserve(found.windows.size());
    // A window manager's list may name a window twice; the walk never does.
    std::unordered_set<xcb_window_t> seen;
    for (xcb_window_t w : found.windows) {
        if (w != XCB_WINDOW_NONE && w != applicationWindow && !context_.IsOwnResource(w) &&
            (!fromClientList_ || seen.insert(w).second)) {
            windows.push_back(w);
        }
    }
    facts_.Ensure(windows);
    facts_.EndSnapshot();

    std::vector<ListedWindow> snapshot;
    snapshot.reserve(windows.size());
    for (xcb_window_t w : windows) {
        // A window that vanished while being read has no facts and is left out.
        const X11WindowFacts::Facts* f = facts_.Find(w);
        if (f != nullptr && !f->ownProcess && f->taskbarEntry) {
            snapshot.push_back({w, QString::fromStdU16String(f->title)});
        }
    }
    return snapshot;
}

bool X11WindowQuery::OnEvent(xcb_generic_event_t* event) {
    facts_.OnEvent(event);
    topLevels_.OnEvent(event);
    return false;  // Qt may want the same events (its own windows' properties, for one)
}
