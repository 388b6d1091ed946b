// How the stand-in dwmapi gets a source window's image from another process under Wine,
// where PrintWindow cannot cross processes (GDI handles belong to one process): it sends the
// source this registered message with a file mapping (duplicated into the source's process)
// of width × height 32-bit pixels, top-down; a source that understands it paints its client
// area into a DIB section over that mapping and answers 1.
#pragma once

#include <windows.h>

inline constexpr const wchar_t* kSharedCaptureMessage = L"VantrelTestSharedCapture";

// The bitmap header both sides use for the mapping.
inline BITMAPINFO SharedCaptureFormat(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}
