// The single-instance guard of the X11 backend: one lock file per user and X display.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/posix/PosixLockFile.h"

// The lock file's name for a guard name and a DISPLAY value (null or empty: no display).
std::string LockFileName(const std::string& name, const char* display);

// The single-instance guard per user and X display: "<name>-<display>.lock".
class LockFileGuard final : public PosixLockFileGuard {
  public:
    explicit LockFileGuard(const std::string& name)
        : PosixLockFileGuard(LockFileName(name, std::getenv("DISPLAY"))) {}
};
