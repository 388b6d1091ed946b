#include "platform/x11/displays/X11DisplayList.h"

#include <QMetaObject>

X11DisplayList::~X11DisplayList() {
    if (context_ != nullptr) {
        context_->RemoveEventHandler(handlerId_);
    }
}

// Attaches to Qt's connection the first time the displays are asked for; from then on the
// server reports layout changes.
bool X11DisplayList::Attach() {
    if (context_ != nullptr) {
        return true;
    }
    context_ = toolkit_.Context();
    if (context_ == nullptr) {
        return false;
    }
    layout_ = std::make_unique<X11DisplayLayout>(*context_);
    announced_ = layout_->Query();
    if (layout_->Watch()) {
        handlerId_ =
            context_->AddEventHandler([this](xcb_generic_event_t* e) { return OnEvent(e); });
    }
    return true;
}

std::vector<DisplayInfo> X11DisplayList::Displays() {
    if (!Attach()) {
        return {};
    }
    return layout_->Query();
}

bool X11DisplayList::OnEvent(xcb_generic_event_t* event) {
    if (layout_->IsChangeEvent(event) && !checkQueued_) {
        checkQueued_ = true;
        QMetaObject::invokeMethod(this, &X11DisplayList::CheckLayout, Qt::QueuedConnection);
    }
    return false;  // Qt follows the screens through the same notifications
}

void X11DisplayList::CheckLayout() {
    checkQueued_ = false;
    if (!context_->ConnectionUsable()) {
        return;
    }
    std::vector<DisplayInfo> now = layout_->Query();
    if (now != announced_) {
        announced_ = std::move(now);
        emit Changed();
    }
}
