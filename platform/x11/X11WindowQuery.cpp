#include "platform/x11/X11WindowQuery.h"

#include <unordered_set>

#include "platform/x11/X11TitleText.h"

X11WindowQuery::X11WindowQuery(X11Context& context)
    : context_(context), facts_(context), topLevels_(context) {
    handlerId_ = context_.AddEventHandler([this](xcb_generic_event_t* e) { return OnEvent(e); });
    context_.AddEventMask(context_.Root(),
                          XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE);
}

X11WindowQuery::~X11WindowQuery() {
    context_.RemoveEventHandler(handlerId_);
}

void X11WindowQuery::BuildList(WindowHandle applicationWindow) {
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

    snapshot_.clear();
    for (xcb_window_t w : windows) {
        // A window that vanished while being read has no facts; it stays listed (with an
        // empty title) until the next snapshot, as one listed by a window manager would.
        const X11WindowFacts::Facts* f = facts_.Find(w);
        if (f == nullptr || !f->ownProcess) {
            snapshot_.push_back(w);
        }
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
    if (const X11WindowFacts::Facts* f = facts_.Find(window)) {
        return CopyTitle(f->title, buffer, maxCount);
    }
    // Not in the snapshot, or changed since: ask now. A window that no longer exists
    // answers with an error, which gives the empty title.
    return CopyTitle(ReadTitleNow(context_, window), buffer, maxCount);
}

bool X11WindowQuery::OnEvent(xcb_generic_event_t* event) {
    facts_.OnEvent(event);
    topLevels_.OnEvent(event);
    return false;  // Qt may want the same events (its own windows' properties, for one)
}
