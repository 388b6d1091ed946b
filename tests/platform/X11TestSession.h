// One private test desktop and one QGuiApplication on it per test process, made on first
// use; the desktop's own X connection plays the other clients of the desktop.
#pragma once

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tests/e2e/support/TestDesktop.h"

class X11TestSession {
  public:
    // Starts the desktop and the application the first time; null if the desktop cannot start.
    static X11TestSession* Get();

    XvfbServer& Server() { return desktop_.Server(); }
    XClient& Client() { return desktop_.X(); }
    xcb_connection_t* Connection() { return Client().Connection(); }
    xcb_window_t Root() { return Client().Root(); }
    xcb_atom_t Atom(const char* name);

    struct WindowSpec {
        std::string netWmName;  // UTF-8; empty: not set
        std::string wmName;     // bytes of WM_NAME; empty: not set
        std::string wmNameType = "STRING";
        bool map = true;
        bool overrideRedirect = false;
        bool inputOnly = false;
        xcb_window_t parent = 0;  // 0: the root
        xcb_window_t id = 0;      // 0: a new id; else one of this connection's, free again
    };
    // Makes a window on the second connection; the server has handled it on return.
    xcb_window_t CreateWindow(const WindowSpec& shape);
    xcb_window_t CreateTitled(std::string_view utf8Title);
    void SetProperty(xcb_window_t window, const char* name, const char* type, int format,
                     const void* data, std::uint32_t count);
    void DeleteProperty(xcb_window_t window, const char* name);
    // Sets an ATOM list property (an empty list deletes it).
    void SetAtoms(xcb_window_t window, const char* name, const std::vector<const char*>& atoms);
    void Destroy(xcb_window_t window);
    // Destroys every window this session made, so each test starts from an empty desktop.
    void DestroyAll();

  private:
    X11TestSession() = default;
    TestDesktop desktop_;
    std::vector<xcb_window_t> made_;
};

// A test on the shared session that starts and ends with an empty desktop; fails when Xvfb
// cannot start.
class X11SessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        s_ = X11TestSession::Get();
        ASSERT_NE(s_, nullptr) << "Xvfb did not start";
        s_->DestroyAll();
    }
    void TearDown() override {
        if (s_ != nullptr) {
            s_->DestroyAll();
        }
    }
    X11TestSession* s_ = nullptr;
};

std::string ToUtf8(const std::u16string& text);
