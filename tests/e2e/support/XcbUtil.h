// Plain xcb pieces shared by the tests' own X clients, the test-side connections and the
// benchmarks that make windows: atoms, connecting to a screen, titles, and the event loop of a
// client driven by commands on its standard input.
#pragma once

#include <xcb/xcb.h>

#include <functional>
#include <string>

// The atom called name, made when it does not exist yet; XCB_ATOM_NONE without an answer.
xcb_atom_t InternAtom(xcb_connection_t* c, const char* name);

// A connection and the screen it names, or a null connection when connecting failed.
struct XcbScreenConnection {
    xcb_connection_t* connection = nullptr;
    xcb_screen_t* screen = nullptr;
};
// Connects to display (null: $DISPLAY) and finds its screen; a failed connection is closed.
XcbScreenConnection ConnectToScreen(const char* display);

// Gives a window the title both ways a program reads it: _NET_WM_NAME (UTF8_STRING) and
// WM_NAME (STRING), the same bytes.
void SetWindowTitle(xcb_connection_t* c, xcb_window_t window, xcb_atom_t netWmName,
                    xcb_atom_t utf8String, const std::string& title);

// Creates an unmapped top-level window of a scripted client at x,y: the screen's black
// background, reporting its exposures and structure changes.
xcb_window_t CreateClientWindow(xcb_connection_t* c, const xcb_screen_t* screen, int x, int y,
                                int width, int height);
// Tells the test that started this client which window is its own: "window 0x<id>" on
// standard output (ReadAnnouncedWindow in WaitUntil.h reads it).
void AnnounceWindow(xcb_window_t window);

// Waits until the server has handled every request sent so far.
void SyncConnection(xcb_connection_t* c);

// Runs a scripted client: announces window (AnnounceWindow) once it is first mapped, hands
// every X event to onEvent and every line of standard input to onLine until one of them
// returns false or the connection breaks. The events that came
// together are all handled; no line is handled after the one that ended the loop. When
// standard input closes the client keeps running on its events.
void RunClientLoop(xcb_connection_t* c, xcb_window_t window,
                   const std::function<bool(xcb_generic_event_t*)>& onEvent,
                   const std::function<bool(const std::string&)>& onLine);
