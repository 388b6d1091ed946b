#include "app/ProcessValues.h"

#include "platform/Platform.h"

bool AlreadyRunning = false;
std::intptr_t InstanceMutex = 0;
std::int32_t LanguageId = 0x0409;

void InitializeProcessValues() {
    TPlatform& platform = CurrentPlatform();
    const InstanceGuard guard = platform.CreateInstanceGuard(InstanceGuardName);
    InstanceMutex = guard.handle;
    AlreadyRunning = guard.alreadyExists;
    LanguageId = static_cast<std::int32_t>(platform.GetUserDefaultLangId());
}

void CloseInstanceMutex() {
    if (InstanceMutex != 0) {
        CurrentPlatform().CloseInstanceGuard(InstanceMutex);
        InstanceMutex = 0;
    }
}
