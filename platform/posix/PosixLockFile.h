// The single-instance guard of the backends of Unix desktops (X11, Wayland): an exclusive
// flock on a lock file in the user's runtime directory ($XDG_RUNTIME_DIR, else a private
// "vantrel-<uid>" folder in the temp directory). The lock is held as long as the guard
// keeps its descriptor open, and the kernel drops it when the process ends in any way. A
// lock that cannot be made at all gives a guard that holds nothing and reports no other
// copy: the program then runs unguarded.
#pragma once

#include <string>
#include <string_view>

#include "platform/SystemServices.h"

class PosixLockFileGuard : public InstanceGuard {
  public:
    // fileName: a plain file name in the lock folder (SafeFileNamePart keeps it one).
    explicit PosixLockFileGuard(const std::string& fileName);
    ~PosixLockFileGuard() override;
    PosixLockFileGuard(const PosixLockFileGuard&) = delete;
    PosixLockFileGuard& operator=(const PosixLockFileGuard&) = delete;
    bool AlreadyRunning() const override { return alreadyRunning_; }
    // Whether a lock file could be opened at all.
    bool Held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
    bool alreadyRunning_ = false;
};

// Letters, digits and a few punctuation marks stay; anything else (a slash above all)
// becomes '_', so a name part cannot leave the lock folder. At most 64 characters.
std::string SafeFileNamePart(std::string_view text);
