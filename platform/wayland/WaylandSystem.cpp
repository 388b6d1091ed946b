#include "platform/wayland/WaylandSystem.h"

#include <QFontDatabase>
#include <QSettings>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <unicode/uloc.h>

namespace {

class LockFileGuard : public InstanceGuard {
  public:
    LockFileGuard(int fd, bool alreadyRunning) : fd_(fd), alreadyRunning_(alreadyRunning) {}
    ~LockFileGuard() override {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    bool AlreadyRunning() const override { return alreadyRunning_; }

  private:
    int fd_;
    bool alreadyRunning_;
};

// $XDG_RUNTIME_DIR, else a private folder of ours in the temp directory.
std::string LockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return runtime;
    }
    std::string folder = "/tmp/vantrel-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    return folder;
}

}  // namespace

std::string WaylandLockFileName(const std::string& name, const char* waylandDisplay) {
    std::string display =
        waylandDisplay != nullptr && waylandDisplay[0] != '\0' ? waylandDisplay : "wayland-0";
    std::replace(display.begin(), display.end(), '/', '_');
    return name + "-wayland-" + display + ".lock";
}

std::unique_ptr<InstanceGuard> WaylandSystem::AcquireInstanceGuard(const QString& name) {
    const std::string path =
        LockFolder() + "/" +
        WaylandLockFileName(name.toStdString(), std::getenv("WAYLAND_DISPLAY"));
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        // No lock can be made: run unguarded rather than not at all.
        return std::make_unique<LockFileGuard>(-1, false);
    }
    int result = 0;
    do {
        result = flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return std::make_unique<LockFileGuard>(fd, result != 0 && errno == EWOULDBLOCK);
}

std::uint16_t WaylandSystem::UserLanguageId() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || value[0] == '\0') {
            continue;
        }
        std::string locale(value);
        locale = locale.substr(0, locale.find_first_of(".@"));
        if (locale == "C" || locale == "POSIX") {
            return 0x0409;
        }
        const std::uint32_t id = uloc_getLCID(locale.c_str());
        return id != 0 ? static_cast<std::uint16_t>(id) : 0x0409;
    }
    return 0x0409;
}

QString WaylandSystem::InstallPath() {
    const QSettings settings(QSettings::NativeFormat, QSettings::SystemScope,
                             QStringLiteral("Quillane"), QStringLiteral("Vantrel"));
    return settings.value(QStringLiteral("InstallPath")).toString();
}

QFont WaylandSystem::InterfaceFont() {
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

void WaylandSystem::PrepareCloneWindow(WindowHandle) {
    // xdg-shell has no taskbar or pager hints; a clone is an ordinary full-screen toplevel.
}
