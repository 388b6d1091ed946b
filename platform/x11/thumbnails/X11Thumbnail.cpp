#include "platform/x11/thumbnails/X11Thumbnail.h"

X11Thumbnail::X11Thumbnail(const std::shared_ptr<X11ThumbEngine>& owner, X11ThumbEngine::Id id)
    : owner_(owner), id_(id) {
    owner->OnSourceResized(id_, [this] { NotifySourceResized(); });
}

X11Thumbnail::~X11Thumbnail() {
    if (auto owner = owner_.lock()) {
        owner->Unregister(id_);
    }
}

bool X11Thumbnail::Place(const QRect& destination, bool visible) {
    auto owner = owner_.lock();
    return owner != nullptr && owner->Place(id_, destination, visible);
}

std::optional<QSize> X11Thumbnail::SourceSize() {
    auto owner = owner_.lock();
    return owner != nullptr ? owner->SourceSize(id_) : std::nullopt;
}

bool X11Thumbnail::SetSource(const QRect& part, ImageTurn turn) {
    auto owner = owner_.lock();
    return owner != nullptr && owner->SetSource(id_, part, turn);
}
