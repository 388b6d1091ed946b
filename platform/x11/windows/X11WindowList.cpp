#include "platform/x11/windows/X11WindowList.h"

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
