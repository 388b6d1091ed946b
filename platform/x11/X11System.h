// Services that need no X connection: the per-user, per-display instance lock, the user's
// language id and the desktop font.
#pragma once

#include <optional>
#include <string>

#include "platform/Platform.h"

InstanceGuard CreateLockFileGuard(const std::string& name);
void CloseLockFileGuard(std::intptr_t handle);
std::uint16_t LanguageIdFromLocale();
std::optional<LogicalFont> DesktopGeneralFont();
LogicalFont ApplicationDefaultFont();
