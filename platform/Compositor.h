// Live thumbnails drawn by the platform's compositor: the program names a source window
// and a rectangle of a destination window, and the compositor keeps the image current.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

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
    // The source's current size in device pixels; nothing when it cannot be read.
    virtual std::optional<QSize> SourceSize() = 0;
};

class Compositor {
  public:
    virtual ~Compositor() = default;
    virtual bool Available() = 0;
    // When not available: what the system lacks, named for the user (for example the X
    // server's missing extensions); empty when there is nothing more specific to say.
    virtual QString MissingFeatures() { return {}; }
    // A thumbnail of source drawn into destination, or null when registration failed.
    virtual std::unique_ptr<Thumbnail> CreateThumbnail(WindowHandle destination,
                                                       WindowHandle source) = 0;
};
