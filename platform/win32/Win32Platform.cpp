#include "platform/win32/Win32Platform.h"

#include "platform/PlatformOfParts.h"
#include "platform/win32/Win32CodePages.h"
#include "platform/win32/Win32Compositor.h"
#include "platform/win32/Win32DisplayList.h"
#include "platform/win32/Win32SystemServices.h"
#include "platform/win32/Win32WindowList.h"

std::unique_ptr<Platform> CreateWin32Platform() {
    return std::make_unique<PlatformOfParts<Win32WindowList, Win32DisplayList, Win32Compositor,
                                            Win32SystemServices, Win32CodePages>>();
}
