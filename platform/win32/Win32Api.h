// The one way the backend and its tests include the Windows headers: windows.h first, since
// dwmapi.h relies on its types.
#pragma once

#include <windows.h>
// windows.h first.
#include <dwmapi.h>
