// The user32 work of the Wine driver: finding windows, reading message boxes, clicking, and
// the quadrant window the program is to clone.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct MonitorLine {
    RECT rect{};
    bool primary = false;
    std::wstring device;
};

std::vector<MonitorLine> ListMonitors();

std::string ToUtf8(const std::wstring& text);
std::wstring WindowText(HWND window);
std::uint32_t HandleValue(HWND window);
RECT ClientOnScreen(HWND window);

// A visible top-level window with exactly this title, polled for until the timeout.
HWND PollForWindow(const std::wstring& title, DWORD timeoutMs);
bool PollUntilGone(const std::wstring& title, DWORD timeoutMs);

// A visible dialog-class (#32770) top-level window of another process.
HWND PollForMessageBox(DWORD timeoutMs);
// The message box's text: its static controls' texts, joined by newlines.
std::wstring MessageBoxText(HWND box);
// Presses the box's OK button as a click would (BM_CLICK); false when it has none.
bool PressOk(HWND box);

// A left click at a screen position through SendInput.
bool ClickAt(int x, int y);
// Asks the window with this title to close (WM_CLOSE).
bool CloseByTitle(const std::wstring& title);

// Shows a window whose client area is four quadrants (red top left, green top right, blue
// bottom left, yellow bottom right), prints its handle, and serves it until it is closed.
int RunQuadrantWindow(const std::wstring& title, int width, int height);
