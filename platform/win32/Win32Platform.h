// The Windows backend: Win32 for the window list, the displays, the guard, the language,
// the fonts and the code pages, and the desktop window manager (dwmapi) for the thumbnails.
// The header names no Windows type, so the composition root can include it anywhere.
#pragma once

#include <memory>

#include "platform/Platform.h"

// Made once by the composition root on Windows. The displays announce changes once a
// QCoreApplication exists (they watch its native events for WM_DISPLAYCHANGE).
std::unique_ptr<Platform> CreateWin32Platform();
