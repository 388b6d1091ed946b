// Conversions between the interface's 32-bit window handles and HWND values.
//
// Windows keeps window handles within 32 bits on 64-bit systems, so that 32-bit and 64-bit
// processes can pass them to each other: a HWND may be truncated to 32 bits and restored by
// sign extension. The window list hands out the truncated value; every call that takes a
// WindowHandle restores the HWND that way.
#pragma once

#include "platform/win32/Win32Api.h"

#include <cstdint>

#include "platform/WindowList.h"

inline WindowHandle ToWindowHandle(HWND window) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

inline HWND ToHwnd(WindowHandle window) {
    const auto extended = static_cast<std::intptr_t>(static_cast<std::int32_t>(window));
    return reinterpret_cast<HWND>(extended);
}
