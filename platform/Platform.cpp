#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

namespace {
std::unique_ptr<TPlatform>& Slot() {
    static std::unique_ptr<TPlatform> installed;
    return installed;
}
}  // namespace

void InstallPlatform(std::unique_ptr<TPlatform> platform) {
    Slot() = std::move(platform);
}

TPlatform& CurrentPlatform() {
    auto& installed = Slot();
    if (!installed) {
        // A programming error: the composition root installs a backend before anything runs.
        std::fputs("vantrel: no platform backend installed\n", stderr);
        std::abort();
    }
    return *installed;
}

bool HasPlatform() {
    return static_cast<bool>(Slot());
}
