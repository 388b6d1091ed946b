// The one way the backend and its tests include the Windows headers.
//
// windows.h maps GetWindowText and GetMonitorInfo to their ...A/...W functions by macro,
// which would rename the interface's methods of the same names wherever platform/Platform.h
// is read after it. The macros are removed here, before any of our headers can follow;
// code that means the Windows functions calls them by their full ...W names.
#pragma once

#include <windows.h>
// windows.h first: dwmapi.h relies on its types.
#include <dwmapi.h>

#undef GetWindowText
#undef GetMonitorInfo
