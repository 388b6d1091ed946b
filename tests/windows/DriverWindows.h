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
std::wstring ClassOf(HWND window);
// Sends key presses (virtual-key codes, each pressed then released in reverse order).
bool PressKeys(const std::vector<WORD>& keys);

// A visible top-level window with exactly this title, polled for until the timeout.
HWND PollForWindow(const std::wstring& title, DWORD timeoutMs);
bool PollUntilGone(const std::wstring& title, DWORD timeoutMs);

// Moves the mouse to a screen position through SendInput, as a hand does.
bool MoveTo(int x, int y);
// A left click at a screen position through SendInput.
bool ClickAt(int x, int y);
// Asks the window with this title to close (WM_CLOSE).
bool CloseByTitle(const std::wstring& title);

// Shows a window in the screen's top right corner whose client area is four quadrants (red
// top left, green top right, blue bottom left, yellow bottom right), prints its handle, and
// serves it until it is closed.
int RunQuadrantWindow(const std::wstring& title, int width, int height);
