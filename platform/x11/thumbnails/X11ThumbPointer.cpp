#include "platform/x11/thumbnails/X11ThumbPointer.h"

#include <xcb/xfixes.h>
#include <xcb/xinput.h>

#include <QMetaObject>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace {

// Windows nest a few levels below the root (a frame, the client, perhaps a wrapper).
constexpr int kProbeDepth = 8;

constexpr std::uint32_t kCrossing = XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW;

// Raw motion is reported on the root only, and only to a client that speaks XInput 2. When
// a version was asked for on this connection already, the server refuses a lower one
// (BadValue), which then still means XInput 2 is there.
std::uint8_t XInputOpcode(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* data = xcb_get_extension_data(c, &xcb_input_id);
    if (data == nullptr || !data->present) {
        return 0;
    }
    xcb_generic_error_t* error = nullptr;
    XcbReply<xcb_input_xi_query_version_reply_t> reply(
        xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 4), &error));
    const bool refusedLower = error != nullptr && error->error_code == XCB_VALUE;
    std::free(error);
    return (reply && reply->major_version >= 2) || refusedLower ? data->major_opcode : 0;
}

}  // namespace

X11ThumbPointer::X11ThumbPointer(X11Context& context, const X11RenderFormats& formats,
                                 std::function<void(xcb_window_t)> moved)
    : context_(context),
      formats_(formats),
      moved_(std::move(moved)),
      inputOpcode_(XInputOpcode(context.Connection())),
      queue_(std::make_unique<QObject>()) {
    handlerId_ =
        context_.AddEventHandler([this](xcb_generic_event_t* e) { return HandleEvent(e); });
}

X11ThumbPointer::~X11ThumbPointer() {
    context_.RemoveEventHandler(handlerId_);
    if (!context_.ConnectionUsable()) {
        return;
    }
    if (asking_) {
        xcb_discard_reply(context_.Connection(), ask_.sequence);
    }
    if (probing_) {
        xcb_discard_reply(context_.Connection(), probe_.sequence);
    }
    SelectMotion(false);
    SelectCursorChanges(false);
    for (const xcb_window_t source : sources_) {
        context_.RemoveEventMask(source, kCrossing);
    }
}

void X11ThumbPointer::Follow(xcb_window_t source) {
    if (sources_.insert(source).second) {
        context_.AddEventMask(source, kCrossing);
        if (inside_ == 0) {
            Probe();
        }
    }
}

// Asked after the crossings were selected, so a crossing that follows the question is
// reported, and any crossing seen before the answer is read makes the answer stale.
void X11ThumbPointer::Probe() {
    if (probing_) {
        probeAgain_ = true;
        return;
    }
    probeAgain_ = false;
    crossed_ = false;
    probeDepth_ = 0;
    ProbeAt(context_.Root());
}

void X11ThumbPointer::ProbeAt(xcb_window_t window) {
    probing_ = true;
    probed_ = window;
    AskPointer(window, probe_, &X11ThumbPointer::TakeProbe);
}

// Asks where the pointer is relative to window without waiting for the answer (pending
// keeps the question until then): take reads it on a later turn of the event loop, while
// the frames the reader thread draws (which read the position and shape) wait.
void X11ThumbPointer::AskPointer(xcb_window_t window, xcb_query_pointer_cookie_t& pending,
                                 Answer take) {
    pending = xcb_query_pointer(context_.Connection(), window);
    context_.Flush();
    QMetaObject::invokeMethod(
        queue_.get(),
        [this, &pending, take] {
            const std::lock_guard hold(context_.RenderLock());
            auto reply = XcbTake(context_.Connection(), pending, xcb_query_pointer_reply);
            context_.Flush();  // hands out what xcb read while it waited
            (this->*take)(reply.get());
        },
        Qt::QueuedConnection);
}

void X11ThumbPointer::TakeProbe(const xcb_query_pointer_reply_t* reply) {
    probing_ = false;
    const bool current = reply && reply->same_screen && !crossed_ && inside_ == 0;
    if (current && sources_.count(probed_) != 0) {
        Enter(probed_, QPoint(reply->win_x, reply->win_y));
    } else if (current && reply->child != XCB_NONE && ++probeDepth_ < kProbeDepth) {
        ProbeAt(reply->child);
        return;
    }
    if (probeAgain_ && inside_ == 0) {
        Probe();
    }
}

void X11ThumbPointer::Unfollow(xcb_window_t source) {
    if (sources_.erase(source) == 0) {
        return;
    }
    if (inside_ == source) {
        Leave(source);
    }
    context_.RemoveEventMask(source, kCrossing);
}

void X11ThumbPointer::SelectMotion(bool on) {
    if (inputOpcode_ == 0 || motionSelected_ == on) {
        return;
    }
    motionSelected_ = on;
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
           on ? static_cast<std::uint32_t>(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION) : 0u};
    context_.IgnoreErrorOf(
        xcb_input_xi_select_events(context_.Connection(), context_.Root(), 1, &mask.head).sequence);
}

void X11ThumbPointer::SelectCursorChanges(bool on) {
    if (!formats_.HasXFixes() || cursorSelected_ == on) {
        return;
    }
    cursorSelected_ = on;
    xcb_xfixes_select_cursor_input(context_.Connection(), context_.Root(),
                                   on ? XCB_XFIXES_CURSOR_NOTIFY_MASK_DISPLAY_CURSOR : 0);
}

void X11ThumbPointer::Enter(xcb_window_t source, QPoint position) {
    const xcb_window_t before = inside_;
    inside_ = source;
    position_ = position;
    if (before != 0 && before != source) {
        moved_(before);
    }
    SelectMotion(true);
    SelectCursorChanges(true);
    // The shape changes as the pointer enters; the server has changed it by now.
    FetchShape();
    // Motion between the crossing and the selection reported nothing: ask once.
    AskPosition();
    moved_(source);
}

void X11ThumbPointer::Leave(xcb_window_t source) {
    if (inside_ != source) {
        return;
    }
    inside_ = 0;
    moreMotion_ = false;
    SelectMotion(false);
    SelectCursorChanges(false);
    context_.Flush();
    moved_(source);
}

// One query at a time: motion that comes while one is on its way asks again when its
// answer has been read, so the last position is always fetched and a turn with any amount
// of motion costs one round trip at most.
void X11ThumbPointer::AskPosition() {
    if (inside_ == 0) {
        return;
    }
    if (asking_) {
        moreMotion_ = true;
        return;
    }
    asking_ = true;
    moreMotion_ = false;
    AskPointer(inside_, ask_, &X11ThumbPointer::TakePosition);
}

void X11ThumbPointer::TakePosition(const xcb_query_pointer_reply_t* reply) {
    asking_ = false;
    if (inside_ == 0) {
        return;
    }
    if (reply && reply->same_screen) {
        const QPoint now(reply->win_x, reply->win_y);
        if (now != position_) {
            position_ = now;
            moved_(inside_);
        }
    }
    if (moreMotion_) {
        AskPosition();
    }
}

void X11ThumbPointer::FetchShape() {
    if (!formats_.HasXFixes()) {
        return;
    }
    xcb_connection_t* c = context_.Connection();
    auto image = XcbTake(c, xcb_xfixes_get_cursor_image(c), xcb_xfixes_get_cursor_image_reply);
    if (!image || (image->cursor_serial == shapeSerial_ && shapePicture_)) {
        return;
    }
    if (Upload(image->width, image->height,
               xcb_xfixes_get_cursor_image_cursor_image(image.get()))) {
        shapeSerial_ = image->cursor_serial;
        shape_ = QRect(-image->xhot, -image->yhot, image->width, image->height);
    }
}

// The image is premultiplied ARGB, as RENDER's a8r8g8b8 format takes it.
bool X11ThumbPointer::Upload(int width, int height, const std::uint32_t* pixels) {
    xcb_connection_t* c = context_.Connection();
    const xcb_render_pictformat_t format = formats_.Argb32Format();
    const std::uint64_t bytes = static_cast<std::uint64_t>(width) * height * 4;
    // One PutImage must fit a request; cursors are far smaller than that.
    if (format == 0 || width <= 0 || height <= 0 ||
        bytes + 24 > static_cast<std::uint64_t>(xcb_get_maximum_request_length(c)) * 4) {
        return false;
    }
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    XcbReply<xcb_generic_error_t> error(xcb_request_check(
        c,
        xcb_create_pixmap_checked(c, 32, pixmap, context_.Root(), static_cast<std::uint16_t>(width),
                                  static_cast<std::uint16_t>(height))));
    if (error) {
        return false;
    }
    shapePixmap_ = OwnedPixmap(context_, pixmap);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, static_cast<std::uint16_t>(width),
                  static_cast<std::uint16_t>(height), 0, 0, 0, 32,
                  static_cast<std::uint32_t>(bytes), reinterpret_cast<const std::uint8_t*>(pixels));
    xcb_free_gc(c, gc);
    shapePicture_ = OwnedPicture(context_, xcb_generate_id(c));
    xcb_render_create_picture(c, shapePicture_.Id(), pixmap, format, 0, nullptr);
    return true;
}

void X11ThumbPointer::Draw(xcb_window_t source, const QRect& part, ImageTurn turn,
                           xcb_render_picture_t target, const QRect& rect,
                           const QRect& clip) const {
    if (source != inside_ || inside_ == 0 || !shapePicture_ || part.isEmpty() || rect.isEmpty() ||
        !PlaceOnDestination(position_, part, turn, rect)) {
        return;
    }
    // The shape covers these pixels of the source; drawn through the image's own map, it is
    // placed, scaled and turned as the image is.
    const QRect onSource = shape_.translated(position_);
    const auto m = DestinationToSource(part, turn, rect.size());
    const QRect box = DestinationBoxOf(m, onSource).translated(rect.topLeft()) & clip & rect;
    if (box.isEmpty()) {
        return;
    }
    xcb_connection_t* c = context_.Connection();
    SetPictureFilter(c, shapePicture_.Id(), rect.size() == TurnedSize(part.size(), turn));
    xcb_render_set_picture_transform(
        c, shapePicture_.Id(),
        {ToFixedFactor(m[0]), ToFixedFactor(m[1]), ToFixedFactor(m[2] - onSource.x()),
         ToFixedFactor(m[3]), ToFixedFactor(m[4]), ToFixedFactor(m[5] - onSource.y()), 0, 0,
         ToFixed(1.0)});
    // The composite's source coordinates are the destination's, from the rectangle's corner.
    xcb_render_composite(c, XCB_RENDER_PICT_OP_OVER, shapePicture_.Id(), XCB_NONE, target,
                         static_cast<std::int16_t>(box.x() - rect.x()),
                         static_cast<std::int16_t>(box.y() - rect.y()), 0, 0,
                         static_cast<std::int16_t>(box.x()), static_cast<std::int16_t>(box.y()),
                         static_cast<std::uint16_t>(box.width()),
                         static_cast<std::uint16_t>(box.height()));
}

bool X11ThumbPointer::HandleEvent(xcb_generic_event_t* event) {
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_GE_GENERIC && inputOpcode_ != 0) {
        auto* generic = reinterpret_cast<xcb_ge_generic_event_t*>(event);
        if (generic->extension == inputOpcode_ && generic->event_type == XCB_INPUT_RAW_MOTION) {
            AskPosition();
            return true;
        }
        return false;
    }
    if (formats_.HasXFixes() && type == formats_.XFixesFirstEvent() + XCB_XFIXES_CURSOR_NOTIFY) {
        if (inside_ != 0) {
            FetchShape();
            moved_(inside_);
        }
        return cursorSelected_;
    }
    if (type == XCB_ENTER_NOTIFY || type == XCB_LEAVE_NOTIFY) {
        // Enter and leave share one layout.
        auto* crossing = reinterpret_cast<xcb_enter_notify_event_t*>(event);
        if (sources_.count(crossing->event) == 0) {
            return false;
        }
        crossed_ = crossed_ || probing_;
        if (type == XCB_ENTER_NOTIFY) {
            Enter(crossing->event, QPoint(crossing->event_x, crossing->event_y));
        } else if (crossing->detail != XCB_NOTIFY_DETAIL_INFERIOR) {
            // Into a child of the source is still over it.
            Leave(crossing->event);
        }
        return true;
    }
    return false;
}
