#include "platform/x11/thumbnails/X11Compositor.h"

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/render.h>

#include <QStringList>

#include "platform/x11/thumbnails/X11Thumbnail.h"

bool X11Compositor::Attach() {
    if (engine_) {
        return true;
    }
    X11Context* context = toolkit_.Context();
    if (context == nullptr) {
        return false;
    }
    std::unique_ptr<X11Context> own = X11Context::OpenBeside(*context);
    if (!own) {
        return false;
    }
    engine_ = std::make_shared<X11ThumbEngine>(std::move(own), *context);
    engine_->SetPointerShown(pointerShown_);
    return true;
}

bool X11Compositor::Available() {
    return Attach() && engine_->CompositionAvailable();
}

QString X11Compositor::MissingFeatures() {
    if (Available()) {
        return {};
    }
    X11Context* context = toolkit_.Context();
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
    const X11ThumbEngine::Id id = engine_->Register(destination, source);
    if (id == 0) {
        return nullptr;
    }
    return std::make_unique<X11Thumbnail>(engine_, id);
}

void X11Compositor::SetPointerShown(bool shown) {
    pointerShown_ = shown;
    if (engine_) {
        engine_->SetPointerShown(shown);
    }
}

X11Context* X11Compositor::Connection() {
    return Attach() ? &engine_->Connection() : nullptr;
}

std::uint64_t X11Compositor::FramesDrawn() const {
    return engine_ ? engine_->FramesDrawn() : 0;
}
