#include "platform/x11/X11WindowQuery.h"

X11WindowQuery::X11WindowQuery(X11Context& context) : context_(context) {}

void X11WindowQuery::BuildList(WindowHandle) {
    snapshot_.clear();
}

WindowHandle X11WindowQuery::Item(int position) const {
    if (position < 1 || position > Count()) {
        return 0;
    }
    return snapshot_[static_cast<std::size_t>(position - 1)];
}

int X11WindowQuery::ReadTitle(WindowHandle, char16_t* buffer, int maxCount) {
    if (buffer != nullptr && maxCount > 0) {
        buffer[0] = u'\0';
    }
    return 0;
}
