#include "platform/x11/X11Compositor.h"

namespace {

class X11Thumbnail final : public Thumbnail {
  public:
    X11Thumbnail(std::weak_ptr<X11Thumbnails> owner, X11Thumbnails::Id id)
        : owner_(std::move(owner)), id_(id) {}
    ~X11Thumbnail() override {
        if (auto owner = owner_.lock()) {
            owner->Unregister(id_);
        }
    }
    bool Place(const QRect& destination, bool visible) override {
        auto owner = owner_.lock();
        return owner != nullptr && owner->Place(id_, destination, visible);
    }
    std::optional<QSize> SourceSize() override {
        auto owner = owner_.lock();
        return owner != nullptr ? owner->SourceSize(id_) : std::nullopt;
    }

  private:
    std::weak_ptr<X11Thumbnails> owner_;
    X11Thumbnails::Id id_;
};

}  // namespace

bool X11Compositor::Attach() {
    if (thumbnails_) {
        return true;
    }
    X11Context* context = X11Context::Get();
    if (context == nullptr) {
        return false;
    }
    thumbnails_ = std::make_shared<X11Thumbnails>(*context);
    return true;
}

bool X11Compositor::Available() {
    return Attach() && thumbnails_->CompositionAvailable();
}

std::unique_ptr<Thumbnail> X11Compositor::CreateThumbnail(WindowHandle destination,
                                                          WindowHandle source) {
    if (!Attach()) {
        return nullptr;
    }
    const X11Thumbnails::Id id = thumbnails_->Register(destination, source);
    if (id == 0) {
        return nullptr;
    }
    return std::make_unique<X11Thumbnail>(thumbnails_, id);
}

std::uint64_t X11Compositor::FramesDrawn() const {
    return thumbnails_ ? thumbnails_->FramesDrawn() : 0;
}
