#include "tests/platform/X11TestSession.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QString>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

std::unique_ptr<X11TestSession>& Instance() {
    static std::unique_ptr<X11TestSession> session;
    return session;
}
std::unique_ptr<QGuiApplication>& Application() {
    static std::unique_ptr<QGuiApplication> app;
    return app;
}

// Ends the application before its server, so Qt never sees the display go away.
class SessionTeardown : public ::testing::Environment {
  public:
    void TearDown() override {
        Application().reset();
        Instance().reset();
    }
};
const auto* const kTeardown = ::testing::AddGlobalTestEnvironment(new SessionTeardown);

}  // namespace

std::string ToUtf8(const std::u16string& text) {
    return QString::fromStdU16String(text).toStdString();
}

X11TestSession* X11TestSession::Get() {
    if (!Instance()) {
        std::unique_ptr<X11TestSession> session(new X11TestSession);
        if (!session->desktop_.Ready() || !session->Client().Connected()) {
            return nullptr;
        }
        session->Server().Export();
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        static int argc = 1;
        static char name[] = "vantrel_platform_tests";
        static char* argv[] = {name, nullptr};
        Application() = std::make_unique<QGuiApplication>(argc, argv);
        Instance() = std::move(session);
    }
    return Instance().get();
}

xcb_atom_t X11TestSession::Atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        Connection(),
        xcb_intern_atom(Connection(), 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

void X11TestSession::SetProperty(xcb_window_t window, const char* name, const char* type,
                                 int format, const void* data, std::uint32_t count) {
    xcb_change_property(Connection(), XCB_PROP_MODE_REPLACE, window, Atom(name), Atom(type),
                        static_cast<std::uint8_t>(format), count, data);
    Client().Sync();
}

void X11TestSession::DeleteProperty(xcb_window_t window, const char* name) {
    xcb_delete_property(Connection(), window, Atom(name));
    Client().Sync();
}

void X11TestSession::SetAtoms(xcb_window_t window, const char* name,
                              const std::vector<const char*>& atoms) {
    if (atoms.empty()) {
        DeleteProperty(window, name);
        return;
    }
    std::vector<xcb_atom_t> values;
    for (const char* atom : atoms) {
        values.push_back(Atom(atom));
    }
    SetProperty(window, name, "ATOM", 32, values.data(), static_cast<std::uint32_t>(values.size()));
}

xcb_window_t X11TestSession::CreateWindow(const WindowSpec& shape) {
    xcb_connection_t* c = Connection();
    const xcb_window_t w = shape.id != 0 ? shape.id : xcb_generate_id(c);
    const std::uint32_t values[] = {shape.overrideRedirect ? 1u : 0u};
    const auto windowClass =
        shape.inputOnly ? XCB_WINDOW_CLASS_INPUT_ONLY : XCB_WINDOW_CLASS_INPUT_OUTPUT;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, shape.parent ? shape.parent : Root(), 10, 10, 200,
                      100, 0, static_cast<std::uint16_t>(windowClass), XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT, values);
    if (!shape.netWmName.empty()) {
        SetProperty(w, "_NET_WM_NAME", "UTF8_STRING", 8, shape.netWmName.data(),
                    static_cast<std::uint32_t>(shape.netWmName.size()));
    }
    if (!shape.wmName.empty()) {
        SetProperty(w, "WM_NAME", shape.wmNameType.c_str(), 8, shape.wmName.data(),
                    static_cast<std::uint32_t>(shape.wmName.size()));
    }
    if (shape.map) {
        xcb_map_window(c, w);
    }
    Client().Sync();
    made_.push_back(w);
    return w;
}

xcb_window_t X11TestSession::CreateTitled(std::string_view utf8Title) {
    WindowSpec shape;
    shape.netWmName = std::string(utf8Title);
    return CreateWindow(shape);
}

void X11TestSession::Destroy(xcb_window_t window) {
    xcb_destroy_window(Connection(), window);
    Client().Sync();
    std::erase(made_, window);
}

void X11TestSession::DestroyAll() {
    for (xcb_window_t w : made_) {
        xcb_destroy_window(Connection(), w);
    }
    made_.clear();
    for (const char* name : {"_NET_CLIENT_LIST", "_NET_SUPPORTING_WM_CHECK"}) {
        xcb_delete_property(Connection(), Root(), Atom(name));
    }
    Client().Sync();
}
