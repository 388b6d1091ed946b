#include "bench/soak_churn.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/support/XcbUtil.h"

namespace {

constexpr int kWindowWidth = 120;
constexpr int kWindowHeight = 40;
constexpr long kMaxBurst = 50;  // operations made up at once after a pause

}  // namespace

WindowChurn::WindowChurn(const std::string& display, const Options& options)
    : options_(options), random_(options.seed) {
    const XcbScreenConnection x = ConnectToScreen(display.c_str());
    if (x.connection == nullptr) {
        return;
    }
    connection_ = x.connection;
    root_ = x.screen->root;
    rootVisual_ = x.screen->root_visual;
    netWmName_ = InternAtom(connection_, "_NET_WM_NAME");
    utf8String_ = InternAtom(connection_, "UTF8_STRING");
    ResetClock();
}

WindowChurn::~WindowChurn() {
    if (connection_ != nullptr) {
        xcb_disconnect(connection_);  // the server destroys what is left
    }
}

void WindowChurn::ResetClock() {
    start_ = std::chrono::steady_clock::now();
    dueBase_ = totals_.operations;
}

int WindowChurn::Step() {
    if (connection_ == nullptr) {
        return 0;
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    long due =
        dueBase_ + static_cast<long>(elapsed * options_.operationsPerSecond) - totals_.operations;
    if (due > kMaxBurst) {
        dueBase_ -= due - kMaxBurst;
        due = kMaxBurst;
    }
    for (long i = 0; i < due; ++i) {
        Operate();
    }
    if (due > 0) {
        xcb_flush(connection_);
    }
    DrainEvents();
    return static_cast<int>(std::max(due, 0L));
}

// Below the lower bound only creation, at the upper bound only destruction; in between a
// mix that keeps the population moving.
void WindowChurn::Operate() {
    const int alive = static_cast<int>(order_.size());
    int pick = static_cast<int>(random_() % 100);
    if (alive < options_.minAlive) {
        pick = 0;
    } else if (alive >= options_.maxAlive) {
        pick = 99;
    }
    if (pick < 35) {
        Create(NextTitle());
    } else if (pick < 70) {
        Rename(AnyAlive(), NextTitle());
    } else {
        Destroy(AnyAlive());
    }
}

// Plain, non-ASCII, very long, empty and markup-like titles in turn.
std::string WindowChurn::NextTitle() {
    const long n = ++serial_;
    const std::string number = std::to_string(n);
    switch (n % 10) {
        case 6:
            return "Fen\xC3\xAAtre \xCE\xA9 " + number + " \xE2\x80\x94 \xE6\x9D\xB1\xE4\xBA\xAC";
        case 7:
            return "Long title " + number + " " + std::string(600, 'x');
        case 8:
            return {};
        case 9:
            return "A & B <b>" + number + "</b>";
        default:
            return "Churn window " + number;
    }
}

std::uint32_t WindowChurn::AnyAlive() {
    return order_.empty() ? 0 : order_[random_() % order_.size()];
}

std::uint32_t WindowChurn::Create(const std::string& title) {
    xcb_connection_t* c = connection_;
    const xcb_window_t w = xcb_generate_id(c);
    const auto x = static_cast<std::int16_t>(
        options_.left + static_cast<int>(random_() % std::max(1, options_.width - kWindowWidth)));
    const auto y = static_cast<std::int16_t>(
        options_.top + static_cast<int>(random_() % std::max(1, options_.height - kWindowHeight)));
    const std::uint32_t values[] = {0x00808080u};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root_, x, y, kWindowWidth, kWindowHeight, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, rootVisual_, XCB_CW_BACK_PIXEL, values);
    ++totals_.created;
    ++totals_.operations;
    alive_[w] = {};
    order_.push_back(w);
    if (!title.empty()) {
        Rename(w, title);
        --totals_.renamed;
        --totals_.operations;
    }
    xcb_map_window(c, w);
    return w;
}

void WindowChurn::Rename(std::uint32_t window, const std::string& title) {
    if (window == 0) {
        return;
    }
    xcb_connection_t* c = connection_;
    if (title.empty()) {
        xcb_delete_property(c, window, netWmName_);
        xcb_delete_property(c, window, XCB_ATOM_WM_NAME);
    } else {
        SetWindowTitle(c, window, netWmName_, utf8String_, title);
    }
    alive_[window] = title;
    ++totals_.renamed;
    ++totals_.operations;
}

void WindowChurn::Destroy(std::uint32_t window) {
    if (window == 0) {
        return;
    }
    xcb_destroy_window(connection_, window);
    alive_.erase(window);
    order_.erase(std::find(order_.begin(), order_.end(), window));
    ++totals_.destroyed;
    ++totals_.operations;
}

void WindowChurn::RenameAll() {
    if (connection_ == nullptr) {
        return;
    }
    long n = 0;
    for (std::uint32_t w : order_) {
        Rename(w, "Final " + std::to_string(++n));
    }
    xcb_flush(connection_);
}

void WindowChurn::DestroyAll() {
    if (connection_ == nullptr) {
        return;
    }
    while (!order_.empty()) {
        Destroy(order_.back());
    }
    xcb_flush(connection_);
}

void WindowChurn::CreateBatch(int count, const std::string& prefix) {
    if (connection_ == nullptr) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        Create(prefix + std::to_string(i));
    }
    xcb_flush(connection_);
}

void WindowChurn::Sync() {
    if (connection_ == nullptr) {
        return;
    }
    SyncConnection(connection_);
    DrainEvents();
}

// Errors of the unchecked requests arrive as events; nobody reads them, but they must not
// pile up in this connection's queue.
void WindowChurn::DrainEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        std::free(event);
    }
}
