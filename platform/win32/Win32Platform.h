// The Windows backend of the platform interface: Win32 for the window query, the guard, the
// language and the fonts, and the desktop window manager (dwmapi) for the thumbnails. The
// header names no Windows type, so the composition root can include it anywhere.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

// The backend the composition root installs when the program runs on Windows.
std::unique_ptr<TPlatform> CreateWin32Platform();

// The installation folder: the string value InstallPath under HKEY_LOCAL_MACHINE
// "Software\Quillane\Vantrel", as UTF-8. Empty when the key or the value is missing, empty,
// or not a string. The Qt layer reads the same value through QSettings (native format,
// system scope, organisation "Quillane", application "Vantrel"); this is the toolkit-free
// reading of it, used by the backend's tests and by code that runs before Qt.
std::string ReadWin32InstallPath();
