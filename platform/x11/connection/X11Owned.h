// Ownership of the server resources the backend creates. Each id has one owner whose
// destructor frees it; moving hands the id on. Once the connection is gone (the application
// object ended, or the server went away) the server has freed everything of ours already,
// so the request is skipped.
#pragma once

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/render.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <utility>

#include "platform/x11/connection/X11Context.h"

template <xcb_void_cookie_t (*Free)(xcb_connection_t*, std::uint32_t)>
class X11Owned {
  public:
    X11Owned() = default;
    X11Owned(X11Context& context, std::uint32_t id) : context_(&context), id_(id) {}
    ~X11Owned() { Reset(); }
    X11Owned(X11Owned&& other) noexcept
        : context_(other.context_), id_(std::exchange(other.id_, 0)) {}
    X11Owned& operator=(X11Owned&& other) noexcept {
        if (this != &other) {
            Reset();
            context_ = other.context_;
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    X11Owned(const X11Owned&) = delete;
    X11Owned& operator=(const X11Owned&) = delete;

    std::uint32_t Id() const { return id_; }
    explicit operator bool() const { return id_ != 0; }

    // Frees the resource now. Errors are expected (a window may take the resource with it
    // when it is destroyed) and dropped.
    void Reset() {
        if (id_ != 0 && context_ != nullptr && context_->ConnectionUsable()) {
            context_->IgnoreErrorOf(Free(context_->Connection(), id_).sequence);
        }
        id_ = 0;
    }
    // Forgets the id without a request: the server freed the resource already.
    void Forget() { id_ = 0; }

  private:
    X11Context* context_ = nullptr;
    std::uint32_t id_ = 0;
};

inline xcb_void_cookie_t X11UnredirectWindow(xcb_connection_t* c, std::uint32_t window) {
    return xcb_composite_unredirect_window(c, window, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
}

using OwnedPixmap = X11Owned<xcb_free_pixmap>;
using OwnedPicture = X11Owned<xcb_render_free_picture>;
using OwnedDamage = X11Owned<xcb_damage_destroy>;
using OwnedWindow = X11Owned<xcb_destroy_window>;
using OwnedGc = X11Owned<xcb_free_gc>;
// The automatic redirection of another client's window, ended by its owner.
using OwnedRedirection = X11Owned<X11UnredirectWindow>;
