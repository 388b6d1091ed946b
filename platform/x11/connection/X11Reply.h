// Replies of xcb requests: owned, freed when they leave scope, and taken many at a time.
#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <vector>

// Frees an xcb reply (or any malloc'd block) when it leaves scope.
struct XcbFree {
    void operator()(void* p) const noexcept { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;

// Waits for the reply of a request that has one. A failed request (typically a window that
// vanished in the meantime) gives null; its error is freed here and never reaches the event
// queue, so it needs no further handling.
template <typename R, typename Cookie>
XcbReply<R> XcbTake(xcb_connection_t* connection, Cookie cookie,
                    R* (*replyFn)(xcb_connection_t*, Cookie, xcb_generic_error_t**)) {
    xcb_generic_error_t* error = nullptr;
    XcbReply<R> reply(replyFn(connection, cookie, &error));
    std::free(error);
    return reply;
}

// Sends ask(connection, item) for every item, then takes the replies in the same order: as
// many answers as items for one round trip. A failed request gives null, as in XcbTake.
template <typename R, typename Cookie, typename Item, typename Ask>
std::vector<XcbReply<R>> XcbTakeAll(xcb_connection_t* connection, const std::vector<Item>& items,
                                    Ask ask,
                                    R* (*replyFn)(xcb_connection_t*, Cookie,
                                                  xcb_generic_error_t**)) {
    std::vector<Cookie> cookies;
    cookies.reserve(items.size());
    for (const Item& item : items) {
        cookies.push_back(ask(connection, item));
    }
    std::vector<XcbReply<R>> replies;
    replies.reserve(items.size());
    for (const Cookie& cookie : cookies) {
        replies.push_back(XcbTake(connection, cookie, replyFn));
    }
    return replies;
}
