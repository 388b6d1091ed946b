// The composition root: the X11 backend is installed here and nowhere else.
#include "app/Startup.h"
#include "platform/Platform.h"
#include "platform/x11/X11Platform.h"

int main(int argc, char** argv) {
    InstallPlatform(CreateX11Platform());
    return RunVantrel(argc, argv);
}
