// Live thumbnails drawn by the platform's compositor: the program names a source window
// and a rectangle of a destination window, and the compositor keeps the image current.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "platform/CloneGeometry.h"
#include "platform/WindowList.h"

// One registered thumbnail; destroying it releases the registration.
class Thumbnail {
  public:
    Thumbnail() = default;
    virtual ~Thumbnail() = default;
    Thumbnail(const Thumbnail&) = delete;
    Thumbnail& operator=(const Thumbnail&) = delete;

    // Where the image goes, in the destination's client area (device pixels), and whether
    // it shows. Only the source's client area is drawn. False when the compositor refused.
    virtual bool Place(const QRect& destination, bool visible) = 0;
    // Which part of the source's client area is drawn into the destination (source pixels,
    // within the source; empty: all of it) and how it is turned, from the next Place on.
    // False when the backend cannot show it (see Compositor::CanCrop, CanTransform); the
    // whole source is then drawn unturned.
    virtual bool SetSource(const QRect& part, ImageTurn turn) {
        return part.isEmpty() && turn == ImageTurn::None;
    }
    // The source's current size in device pixels; nothing when it cannot be read.
    virtual std::optional<QSize> SourceSize() = 0;

    // handler runs, on the UI thread, when the source's size has changed (at most once per
    // event-loop turn), so the owner can place the image again. One handler; a new one
    // replaces it, an empty one stops the calls.
    void OnSourceResized(std::function<void()> handler) { sourceResized_ = std::move(handler); }

  protected:
    // For the backend: tells the owner the source's size changed.
    void NotifySourceResized() {
        if (sourceResized_) {
            // A copy: the handler may replace itself.
            const std::function<void()> handler = sourceResized_;
            handler();
        }
    }

  private:
    std::function<void()> sourceResized_;
};

class Compositor {
  public:
    virtual ~Compositor() = default;
    virtual bool Available() = 0;
    // When not available: what the system lacks, named for the user (for example the X
    // server's missing extensions); empty when there is nothing more specific to say.
    virtual QString MissingFeatures() { return {}; }
    // When not available: the whole text for the user, where the backend words its own
    // (what to install on this desktop); empty to let the program word it from
    // MissingFeatures().
    virtual QString UnavailableMessage() { return {}; }
    // A thumbnail of source drawn into destination, or null when registration failed.
    virtual std::unique_ptr<Thumbnail> CreateThumbnail(WindowHandle destination,
                                                       WindowHandle source) = 0;
    // Whether the thumbnails also show the pointer while it is over their source, where it
    // is on the source and in its shape. On unless turned off; a backend that cannot draw
    // it ignores the call.
    virtual void SetPointerShown(bool shown) { static_cast<void>(shown); }
    // Whether this backend draws the pointer on its thumbnails at all.
    virtual bool CanShowPointer() const { return false; }
    // Whether its thumbnails can show part of their source, and mirror or rotate it
    // (Thumbnail::SetSource); when not, why, in words for the user.
    virtual bool CanCrop() const { return false; }
    virtual bool CanTransform() const { return false; }
    virtual QString CannotCropReason() const {
        return QStringLiteral("this desktop's thumbnails cannot show part of a window");
    }
    virtual QString CannotTransformReason() const {
        return QStringLiteral("this desktop's thumbnails cannot mirror or rotate a window");
    }
};
