#include "platform/x11/X11DisplayList.h"

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
    context_ = X11Context::Get();
    if (context_ == nullptr) {
        return false;
    }
    monitors_ = std::make_unique<X11Monitors>(*context_);
    announced_ = monitors_->Query();
    if (monitors_->Watch()) {
        handlerId_ =
            context_->AddEventHandler([this](xcb_generic_event_t* e) { return OnEvent(e); });
    }
    return true;
}

std::vector<DisplayInfo> X11DisplayList::Displays() {
    if (!Attach()) {
        return {};
    }
    return monitors_->Query();
}

bool X11DisplayList::OnEvent(xcb_generic_event_t* event) {
    if (monitors_->IsChangeEvent(event) && !checkQueued_) {
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
    std::vector<DisplayInfo> now = monitors_->Query();
    if (now != announced_) {
        announced_ = std::move(now);
        emit Changed();
    }
}
