// The composition root: the platform backend is chosen and installed here and nowhere else.
#include "app/Startup.h"
#include "platform/Platform.h"
#ifdef _WIN32
#include "platform/win32/Win32Platform.h"
#else
#include "platform/x11/X11Platform.h"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    InstallPlatform(CreateWin32Platform());
#else
    InstallPlatform(CreateX11Platform());
#endif
    return RunVantrel(argc, argv);
}
