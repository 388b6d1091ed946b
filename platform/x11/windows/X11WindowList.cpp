#include "platform/x11/windows/X11WindowList.h"

#include "platform/x11/windows/X11WindowIdentity.h"

std::vector<ListedWindow> X11WindowList::Snapshot(WindowHandle applicationWindow) {
    if (!query_) {
        X11Context* context = toolkit_.Context();
        if (context == nullptr) {
            return {};
        }
        query_ = std::make_unique<X11WindowQuery>(*context);
    }
    return query_->Snapshot(applicationWindow);
}

WindowIdentity X11WindowList::Identify(WindowHandle window) {
    X11Context* context = toolkit_.Context();
    return context != nullptr ? ReadWindowIdentity(*context, window) : WindowIdentity{};
}
