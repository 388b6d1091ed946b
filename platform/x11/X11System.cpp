#include "platform/x11/X11System.h"

InstanceGuard CreateLockFileGuard(const std::string&) {
    return {};
}

void CloseLockFileGuard(std::intptr_t) {}

std::uint16_t LanguageIdFromLocale() {
    return 0x0409;
}
