// Services that need no X connection: the per-user, per-display instance lock, the user's
// language id and the desktop font.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Platform.h"

// The single-instance guard: an exclusive flock on "<name>-<display>.lock" in the user's
// runtime directory ($XDG_RUNTIME_DIR, else a private "vantrel-<uid>" folder in the temp
// directory). The lock is held as long as the descriptor (the handle) stays open, and the
// kernel drops it when the process ends in any way. A lock that cannot be made at all gives
// handle 0 and alreadyExists false: the program then runs unguarded.
InstanceGuard CreateLockFileGuard(const std::string& name);
void CloseLockFileGuard(std::intptr_t handle);
// The lock file's name for a guard name and a DISPLAY value (null or empty: no display).
std::string LockFileName(const std::string& name, const char* display);

// The Windows language id of the user's locale (LC_ALL, else LC_MESSAGES, else LANG).
std::uint16_t LanguageIdFromLocale();
// The same for one POSIX locale name such as "de_CH.UTF-8" or "sr_RS@latin".
std::uint16_t LanguageIdForLocaleName(std::string_view locale);

std::optional<LogicalFont> DesktopGeneralFont();
LogicalFont ApplicationDefaultFont();
