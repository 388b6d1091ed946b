// What the program imports from the window query, under the names the rest of the code
// uses. Each call forwards to the installed platform backend.
#pragma once

#include "platform/Platform.h"

void BuildList(WindowHandle applicationWindow);
int GetListCount();
WindowHandle GetListItem(int position);
int GetMonitorCount();
void GetMonitorInfo(int index, int* left, int* top, int* width, int* height);
// Reads a window's title into buffer (UTF-16, zero-terminated), at most maxCount - 1
// units; returns the number of units read, 0 when the call fails.
int GetWindowTextW(WindowHandle window, char16_t* buffer, int maxCount);
