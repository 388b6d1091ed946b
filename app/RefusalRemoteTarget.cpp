#include "app/RefusalRemoteTarget.h"

#include <QMessageBox>

#include <utility>

RefusalRemoteTarget::RefusalRemoteTarget(QMessageBox& box, QString reason)
    : box_(box), reason_(std::move(reason)) {}

Outcome RefusalRemoteTarget::Clone(WindowHandle window, int display, bool naturalSize) {
    static_cast<void>(window);
    static_cast<void>(display);
    static_cast<void>(naturalSize);
    return Outcome::Failed(reason_);
}

Outcome RefusalRemoteTarget::Release(WindowHandle window, int display) {
    static_cast<void>(window);
    static_cast<void>(display);
    return Outcome::Failed(reason_);
}

Outcome RefusalRemoteTarget::Show() {
    box_.raise();
    box_.activateWindow();
    return Outcome::Failed(reason_);
}

void RefusalRemoteTarget::Quit() {
    box_.done(QMessageBox::Ok);
}

Outcome RefusalRemoteTarget::SetPointer(bool visible) {
    static_cast<void>(visible);
    return Outcome::Failed(reason_);
}
