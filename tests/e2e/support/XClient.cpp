#include "tests/e2e/support/XClient.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <sstream>

#include "tests/e2e/support/WaitUntil.h"
#include "tests/e2e/support/XcbUtil.h"

namespace {
template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T>
Reply<T> Wrap(T* p) {
    return Reply<T>(p, &std::free);
}

QString PropertyText(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type) {
    auto r = Wrap(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 16384), nullptr));
    if (!r || r->format != 8) {
        return {};
    }
    const auto* data = static_cast<const char*>(xcb_get_property_value(r.get()));
    const int length = xcb_get_property_value_length(r.get());
    return type == XCB_ATOM_STRING ? QString::fromLatin1(data, length)
                                   : QString::fromUtf8(data, length);
}
}  // namespace

XClient::XClient(const std::string& display) {
    const XcbScreenConnection x = ConnectToScreen(display.c_str());
    if (x.connection == nullptr) {
        return;
    }
    connection_ = x.connection;
    root_ = x.screen->root;
}

XClient::~XClient() {
    if (connection_ != nullptr) {
        xcb_disconnect(connection_);
    }
}

std::uint32_t XClient::Atom(const char* name) {
    return InternAtom(connection_, name);
}

QString XClient::Title(std::uint32_t window) {
    const QString netName =
        PropertyText(connection_, window, Atom("_NET_WM_NAME"), Atom("UTF8_STRING"));
    if (!netName.isEmpty()) {
        return netName;
    }
    return PropertyText(connection_, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
}

std::vector<std::uint32_t> XClient::FindWindowsByTitle(const QString& title) {
    std::vector<std::uint32_t> found;
    if (connection_ == nullptr) {
        return found;
    }
    std::function<void(xcb_window_t)> walk = [&](xcb_window_t w) {
        auto tree =
            Wrap(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, w), nullptr));
        if (!tree) {
            return;
        }
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        const int n = xcb_query_tree_children_length(tree.get());
        for (int i = 0; i < n; ++i) {
            if (Title(children[i]) == title) {
                found.push_back(children[i]);
            }
            walk(children[i]);
        }
    };
    // The walk is not atomic: a window reparented by the window manager between two queries
    // is met twice, once under the root and once in its frame.
    walk(root_);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

std::vector<std::uint32_t> XClient::FindViewableWindowsByTitle(const QString& title) {
    std::vector<std::uint32_t> viewable;
    for (std::uint32_t w : FindWindowsByTitle(title)) {
        if (IsViewable(w)) {
            viewable.push_back(w);
        }
    }
    return viewable;
}

std::optional<QRect> XClient::Geometry(std::uint32_t window) {
    auto g =
        Wrap(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
    if (!g) {
        return std::nullopt;
    }
    auto t = Wrap(xcb_translate_coordinates_reply(
        connection_, xcb_translate_coordinates(connection_, window, root_, 0, 0), nullptr));
    if (!t) {
        return std::nullopt;
    }
    return QRect(t->dst_x, t->dst_y, g->width, g->height);
}

bool XClient::IsViewable(std::uint32_t window) {
    auto a = Wrap(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr));
    return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
}

bool XClient::Exists(std::uint32_t window) {
    auto a = Wrap(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr));
    return static_cast<bool>(a);
}

std::uint32_t XClient::TopLevelOf(std::uint32_t window) {
    std::uint32_t current = window;
    while (true) {
        auto tree =
            Wrap(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, current), nullptr));
        if (!tree || tree->parent == root_ || tree->parent == XCB_WINDOW_NONE) {
            return tree ? current : 0;
        }
        current = tree->parent;
    }
}

std::vector<std::uint32_t> XClient::RootChildren() {
    std::vector<std::uint32_t> result;
    auto tree =
        Wrap(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr));
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        result.assign(children, children + xcb_query_tree_children_length(tree.get()));
    }
    return result;
}

QImage XClient::Grab(const QRect& area) {
    auto image = Wrap(xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_,
                      static_cast<std::int16_t>(area.x()), static_cast<std::int16_t>(area.y()),
                      static_cast<std::uint16_t>(area.width()),
                      static_cast<std::uint16_t>(area.height()), ~0u),
        nullptr));
    if (!image || image->depth != 24) {
        return {};
    }
    // A depth-24 Z pixmap on a little-endian server is 32 bits per pixel, BGRX.
    QImage copy(xcb_get_image_data(image.get()), area.width(), area.height(), area.width() * 4,
                QImage::Format_RGB32);
    return copy.copy();
}

QRgb XClient::PixelAt(int x, int y) {
    const QImage one = Grab(QRect(x, y, 1, 1));
    return one.isNull() ? 0 : one.pixel(0, 0);
}

void XClient::MoveTo(int x, int y) {
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_,
                        static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 0);
    Sync();
}

void XClient::Click(int x, int y, int button) {
    MoveTo(x, y);
    const auto b = static_cast<std::uint8_t>(button);
    xcb_test_fake_input(connection_, XCB_BUTTON_PRESS, b, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0,
                        0);
    xcb_test_fake_input(connection_, XCB_BUTTON_RELEASE, b, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0,
                        0);
    Sync();
}

void XClient::Drag(QPoint from, QPoint to) {
    MoveTo(from.x(), from.y());
    xcb_test_fake_input(connection_, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0,
                        0);
    Sync();
    MoveTo((from.x() + to.x()) / 2, (from.y() + to.y()) / 2);
    MoveTo(to.x(), to.y());
    xcb_test_fake_input(connection_, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0,
                        0);
    Sync();
}

bool XClient::KeyboardGrabbed() {
    // The server's time is this machine's monotonic clock in milliseconds; a quarter of the
    // clock's span ahead is later than it whatever the rounding.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ahead = static_cast<xcb_timestamp_t>(
        static_cast<std::uint64_t>(now.tv_sec) * 1000u +
        static_cast<std::uint64_t>(now.tv_nsec) / 1000000u + 0x40000000u);
    std::unique_ptr<xcb_grab_keyboard_reply_t, decltype(&std::free)> grab(
        xcb_grab_keyboard_reply(connection_,
                                xcb_grab_keyboard(connection_, 0, root_, ahead, XCB_GRAB_MODE_ASYNC,
                                                  XCB_GRAB_MODE_ASYNC),
                                nullptr),
        &std::free);
    if (grab && grab->status == XCB_GRAB_STATUS_SUCCESS) {
        xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);  // a clock other than expected
        Sync();
        return false;
    }
    return grab && grab->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
}

std::uint8_t XClient::KeycodeOf(std::uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const std::uint8_t first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto map = Wrap(xcb_get_keyboard_mapping_reply(
        connection_, xcb_get_keyboard_mapping(connection_, first, static_cast<std::uint8_t>(count)),
        nullptr));
    if (!map) {
        return 0;
    }
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int per = map->keysyms_per_keycode;
    for (int k = 0; k < count; ++k) {
        for (int j = 0; j < per; ++j) {
            if (syms[k * per + j] == keysym) {
                return static_cast<std::uint8_t>(first + k);
            }
        }
    }
    return 0;
}

void XClient::KeyTap(std::uint32_t keysym, std::uint32_t modifierKeysym) {
    const std::uint8_t modifier = modifierKeysym != 0 ? KeycodeOf(modifierKeysym) : 0;
    const std::uint8_t key = KeycodeOf(keysym);
    if (modifier != 0) {
        xcb_test_fake_input(connection_, XCB_KEY_PRESS, modifier, XCB_CURRENT_TIME, XCB_WINDOW_NONE,
                            0, 0, 0);
    }
    xcb_test_fake_input(connection_, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0,
                        0);
    xcb_test_fake_input(connection_, XCB_KEY_RELEASE, key, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0,
                        0);
    if (modifier != 0) {
        xcb_test_fake_input(connection_, XCB_KEY_RELEASE, modifier, XCB_CURRENT_TIME,
                            XCB_WINDOW_NONE, 0, 0, 0);
    }
    Sync();
}

void XClient::RequestClose(std::uint32_t window) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = Atom("WM_PROTOCOLS");
    event.data.data32[0] = Atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    Sync();
}

void XClient::Sync() {
    SyncConnection(connection_);
}

bool XClient::WaitForWindowManager(int timeoutMs) {
    return WaitUntil(
        [&] {
            const xcb_window_t probe = xcb_generate_id(connection_);
            xcb_create_window(connection_, XCB_COPY_FROM_PARENT, probe, root_, 0, 0, 10, 10, 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
            xcb_map_window(connection_, probe);
            Sync();
            const bool framed = WaitUntil([&] { return TopLevelOf(probe) != probe; }, 500);
            xcb_destroy_window(connection_, probe);
            Sync();
            return framed;
        },
        timeoutMs);
}

bool SameColour(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

bool ShowsColours(XClient& x, const std::vector<ColourProbe>& probes, int timeoutMs, int tolerance,
                  int pollMs, std::string* describe) {
    std::vector<QRgb> seen(probes.size());
    const bool shown = WaitUntil(
        [&] {
            bool all = true;
            for (std::size_t i = 0; i < probes.size(); ++i) {
                seen[i] = x.PixelAt(probes[i].x, probes[i].y);
                all = all && SameColour(seen[i], probes[i].colour, tolerance);
            }
            return all;
        },
        timeoutMs, pollMs);
    if (!shown && describe != nullptr) {
        std::ostringstream out;
        out << std::hex;
        for (std::size_t i = 0; i < probes.size(); ++i) {
            out << "(" << std::dec << probes[i].x << "," << probes[i].y << std::hex << ") wanted "
                << (probes[i].colour & 0xffffffu) << " saw " << (seen[i] & 0xffffffu) << "; ";
        }
        *describe = out.str();
    }
    return shown;
}

bool IsDark(QRgb colour) {
    return qRed(colour) < 96 && qGreen(colour) < 96 && qBlue(colour) < 96;
}

int CountPixels(const QImage& image, bool (*match)(QRgb)) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += match(image.pixel(x, y)) ? 1 : 0;
        }
    }
    return count;
}
