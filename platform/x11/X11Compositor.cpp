#include "platform/x11/X11Compositor.h"

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/render.h>

#include <QStringList>

namespace {

class X11Thumbnail final : public Thumbnail {
  public:
    X11Thumbnail(const std::shared_ptr<X11Thumbnails>& owner, X11Thumbnails::Id id)
        : owner_(owner), id_(id) {
        owner->OnSourceResized(id_, [this] { NotifySourceResized(); });
    }
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
    std::unique_ptr<X11Context> own = X11Context::OpenBeside(*context);
    if (!own) {
        return false;
    }
    thumbnails_ = std::make_shared<X11Thumbnails>(std::move(own), *context);
    thumbnails_->SetPointerShown(pointerShown_);
    return true;
}

bool X11Compositor::Available() {
    return Attach() && thumbnails_->CompositionAvailable();
}

QString X11Compositor::MissingFeatures() {
    if (Available()) {
        return {};
    }
    X11Context* context = X11Context::Get();
    if (context == nullptr) {
        return QStringLiteral("an X11 display");
    }
    struct Extension {
        xcb_extension_t* id;
        const char* name;
    };
    const Extension needed[] = {
        {&xcb_composite_id, "Composite"}, {&xcb_render_id, "RENDER"}, {&xcb_damage_id, "DAMAGE"}};
    QStringList missing;
    for (const Extension& extension : needed) {
        const xcb_query_extension_reply_t* data =
            xcb_get_extension_data(context->Connection(), extension.id);
        if (data == nullptr || !data->present) {
            missing << QString::fromLatin1(extension.name);
        }
    }
    if (missing.isEmpty()) {
        return QStringLiteral("Composite 0.2, RENDER 0.6 and DAMAGE");
    }
    return missing.join(QStringLiteral(", "));
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

void X11Compositor::SetPointerShown(bool shown) {
    pointerShown_ = shown;
    if (thumbnails_) {
        thumbnails_->SetPointerShown(shown);
    }
}

X11Context* X11Compositor::Connection() {
    return Attach() ? &thumbnails_->Connection() : nullptr;
}

std::uint64_t X11Compositor::FramesDrawn() const {
    return thumbnails_ ? thumbnails_->FramesDrawn() : 0;
}
