// Message boxes as a user meets them: a native one (dialog class #32770, read through its
// static controls) or one the toolkit draws itself (read through the clipboard, where
// Ctrl+C puts a message box's caption and text, as on Windows' own boxes).
#pragma once

#include <windows.h>

#include <string>

struct MessageBoxContent {
    std::wstring caption;
    std::wstring text;
};

// A visible top-level window of another process whose caption starts with captionPrefix,
// polled for until the timeout.
HWND PollForMessageBox(const std::wstring& captionPrefix, DWORD timeoutMs);

// The caption and text; false when they could not be read.
bool ReadMessageBox(HWND box, MessageBoxContent* content);

// Presses the box's OK button: BM_CLICK on a native box's IDOK, Enter on the toolkit's.
bool PressOk(HWND box);

// The caption and text of the clipboard form "----\ncaption\n----\ntext\n----\nbuttons...".
bool ParseCopiedMessageBox(const std::wstring& copied, MessageBoxContent* content);
