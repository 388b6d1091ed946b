#include "platform/posix/PosixLockFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

bool OwnedDirectory(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
}

int OpenDirectory(const char* path) {
    return open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// $XDG_RUNTIME_DIR when it is an absolute path to a folder of ours.
int OpenRuntimeDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') {
        return -1;
    }
    const int fd = OpenDirectory(runtime);
    if (fd >= 0 && !OwnedDirectory(fd)) {
        close(fd);
        return -1;
    }
    return fd;
}

// "<tmp>/vantrel-<uid>", made private to this user. Anything already there that is not a
// real folder owned by us (a symlink, another user's folder) is refused, never followed.
int OpenPrivateTempDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string path = (tmp != nullptr && tmp[0] == '/') ? tmp : "/tmp";
    path += "/vantrel-" + std::to_string(geteuid());
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return -1;
    }
    const int fd = OpenDirectory(path.c_str());
    if (fd < 0) {
        return -1;
    }
    if (!OwnedDirectory(fd) || fchmod(fd, 0700) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int OpenLockFile(const std::string& fileName) {
    int dir = OpenRuntimeDirectory();
    if (dir < 0) {
        dir = OpenPrivateTempDirectory();
    }
    if (dir < 0) {
        return -1;
    }
    const int fd = openat(dir, fileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    close(dir);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::string SafeFileNamePart(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, 64)) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':';
        out.push_back(safe ? c : '_');
    }
    return out;
}

PosixLockFileGuard::PosixLockFileGuard(const std::string& fileName) {
    const int fd = OpenLockFile(fileName);
    if (fd < 0) {
        return;
    }
    int result = 0;
    do {
        result = flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0 || errno == EWOULDBLOCK) {
        fd_ = fd;
        alreadyRunning_ = result != 0;  // another copy holds it
        return;
    }
    close(fd);
}

PosixLockFileGuard::~PosixLockFileGuard() {
    // The file stays: removing it could race with a copy that has just opened it and would
    // then lock a file nobody else can find.
    if (fd_ >= 0) {
        close(fd_);
    }
}
