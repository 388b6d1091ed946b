#include "tests/e2e/support/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/support/XorgDummy.h"

namespace {

// Reads from fd until a newline or the deadline; returns what was read.
std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        const int left = timeoutMs - static_cast<int>(clock.elapsed());
        if (poll(&p, 1, left > 0 ? left : 0) <= 0) {
            continue;
        }
        char c = 0;
        const ssize_t n = read(fd, &c, 1);
        if (n <= 0) {
            break;
        }
        if (c == '\n') {
            break;
        }
        line.push_back(c);
    }
    return line;
}

std::vector<char*> ToArgv(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    return argv;
}

bool WaitForExit(pid_t pid, int timeoutMs, int* status) {
    QElapsedTimer clock;
    clock.start();
    while (true) {
        const pid_t r = waitpid(pid, status, WNOHANG);
        if (r == pid) {
            return true;
        }
        if (r < 0 && errno != EINTR) {
            return true;
        }
        if (clock.elapsed() >= timeoutMs) {
            return false;
        }
        usleep(5000);
    }
}

}  // namespace

XvfbServer::XvfbServer() : XvfbServer(Options{}) {}

XvfbServer::XvfbServer(const Options& options) {
    Start(options);
}

XvfbServer::~XvfbServer() {
    Stop();
}

bool XvfbServer::Start(const Options& options) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    realOutputs_ = options.realOutputs;
    std::vector<std::string> args = {
        realOutputs_ ? "Xorg" : "Xvfb",
        "-displayfd",
        "3",
        "-screen",
        "0",
        std::to_string(options.width) + "x" + std::to_string(options.height) + "x24",
        "-noreset",
        "-nolisten",
        "tcp",
        options.composite ? "+extension" : "-extension",
        "Composite",
        "+extension",
        "RANDR",
        "+extension",
        "RENDER",
        "+extension",
        "DAMAGE"};
    if (realOutputs_) {
        configDir_ = std::make_unique<QTemporaryDir>();
        QFile config(configDir_->filePath(QStringLiteral("xorg.conf")));
        const std::string text =
            XorgDummyConfig(std::max(options.width, 6400), std::max(options.height, 2400));
        if (!configDir_->isValid() || !config.open(QIODevice::WriteOnly) ||
            config.write(text.data(), static_cast<qint64>(text.size())) <= 0) {
            close(fds[0]);
            close(fds[1]);
            return false;
        }
        config.close();
        args.resize(3);
        const std::vector<std::string> more = XorgDummyArgs(options.composite);
        args.insert(args.end(), more.begin(), more.end());
    }
    args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
    const std::string workDir = configDir_ ? configDir_->path().toStdString() : std::string();
    auto argv = ToArgv(args);
    const pid_t pid = fork();
    if (pid == 0) {
        // The server ends with the test process, even when the test is killed, and answers
        // SIGTERM even when the caller has it blocked.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (fds[1] == 3) {
            fcntl(3, F_SETFD, 0);
        } else {
            dup2(fds[1], 3);  // dup2 clears close-on-exec on the copy
        }
        const int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        if (!workDir.empty() && chdir(workDir.c_str()) != 0) {
            _exit(127);
        }
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return false;
    }
    pid_ = pid;
    const std::string number = ReadLine(fds[0], 15000);
    close(fds[0]);
    if (number.empty()) {
        Stop();
        return false;
    }
    display_ = ":" + number;
    return true;
}

void XvfbServer::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        if (!WaitForExit(pid_, 5000, &status)) {
            kill(pid_, SIGKILL);
            WaitForExit(pid_, 5000, &status);
        }
    }
    pid_ = -1;
    display_.clear();
}

QProcessEnvironment XvfbServer::Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display_));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("XAUTHORITY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), userConfig_.path());
    return env;
}

void XvfbServer::Export() const {
    setenv("DISPLAY", display_.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("XAUTHORITY");
    setenv("QT_QPA_PLATFORM", "xcb", 1);
}

bool XvfbServer::SetMonitors(const std::vector<MonitorSpec>& monitors) {
    if (realOutputs_) {
        return SetOutputs(monitors);
    }
    std::string listing;
    if (RunOn(*this, {"xrandr", "--listmonitors"}, &listing) != 0) {
        return false;
    }
    // Lines look like " 0: +*screen 3200/847x1080/286+0+0  screen".
    static const QRegularExpression entry(QStringLiteral("^\\s*\\d+:\\s+[+*]*(\\S+)\\s"));
    for (const QString& line : QString::fromStdString(listing).split('\n')) {
        const auto m = entry.match(line);
        if (m.hasMatch()) {
            RunOn(*this, {"xrandr", "--delmonitor", m.captured(1).toStdString()});
        }
    }
    monitors_.clear();
    names_.clear();
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (!AddMonitor(monitors[i])) {
            return false;
        }
    }
    return true;
}

namespace {

// The dummy driver reports an output that was given a mode as connected only from the next
// probe of the outputs on; until then the server's cached state, which GTK reads (and so
// xfwm4, which then takes the screen for the first monitor alone), still says disconnected.
// A query (GetScreenResources) probes the outputs and announces the change.
bool ProbeOutputs(const XvfbServer& server) {
    return RunOn(server, {"xrandr", "--query"}) == 0;
}

}  // namespace

// Each output gets its mode and place, and every other one is turned off, in one change.
bool XvfbServer::SetOutputs(const std::vector<MonitorSpec>& monitors) {
    std::vector<std::string> change = {"xrandr"};
    constexpr std::size_t kOutputs = 16;  // the dummy driver's
    if (monitors.size() > kOutputs) {
        return false;
    }
    for (std::size_t i = 0; i < kOutputs; ++i) {
        const std::string output = DummyOutputName(i);
        if (i >= monitors.size()) {
            change.insert(change.end(), {"--output", output, "--off"});
            continue;
        }
        for (const auto& command : DummyModeCommands(monitors[i], output)) {
            RunOn(*this, command);  // fails harmlessly when the mode is there already
        }
        const std::vector<std::string> place = DummyPlaceCommand(monitors[i], output);
        change.insert(change.end(), place.begin() + 1, place.end());
    }
    if (RunOn(*this, change) != 0 || !ProbeOutputs(*this)) {
        return false;
    }
    monitors_ = monitors;
    names_.clear();
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        names_.push_back(DummyOutputName(i));
    }
    return true;
}

// The first output not in use is plugged in.
bool XvfbServer::AddOutput(const MonitorSpec& monitor) {
    std::size_t index = 0;
    while (std::find(names_.begin(), names_.end(), DummyOutputName(index)) != names_.end()) {
        ++index;
    }
    const std::string output = DummyOutputName(index);
    for (const auto& command : DummyModeCommands(monitor, output)) {
        RunOn(*this, command);
    }
    if (RunOn(*this, DummyPlaceCommand(monitor, output)) != 0 || !ProbeOutputs(*this)) {
        return false;
    }
    monitors_.push_back(monitor);
    names_.push_back(output);
    return true;
}

bool XvfbServer::AddMonitor(const MonitorSpec& monitor, const std::string& reusedName) {
    if (realOutputs_) {
        return AddOutput(monitor);  // an output keeps its own name
    }
    const std::string name = reusedName.empty() ? "V" + std::to_string(nextName_++) : reusedName;
    if (!SetMonitor(monitor, name, monitors_.empty())) {
        return false;
    }
    monitors_.push_back(monitor);
    names_.push_back(name);
    return true;
}

bool XvfbServer::RemoveMonitor(std::size_t index) {
    const std::vector<std::string> unplug =
        realOutputs_ && index < names_.size()
            ? std::vector<std::string>{"xrandr", "--output", names_[index], "--off"}
            : std::vector<std::string>{"xrandr", "--delmonitor",
                                       index < names_.size() ? names_[index] : ""};
    if (index >= names_.size() || RunOn(*this, unplug) != 0) {
        return false;
    }
    monitors_.erase(monitors_.begin() + static_cast<std::ptrdiff_t>(index));
    names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool XvfbServer::SetMonitor(const MonitorSpec& s, const std::string& name, bool carriesOutput) {
    // Physical sizes at 96 dpi keep toolkits' DPI guesses sane.
    const std::string geometry =
        std::to_string(s.width) + "/" + std::to_string(s.width * 254 / 960) + "x" +
        std::to_string(s.height) + "/" + std::to_string(s.height * 254 / 960) + "+" +
        std::to_string(s.x) + "+" + std::to_string(s.y);
    return RunOn(*this, {"xrandr", "--setmonitor", (s.primary ? "*" : "") + name, geometry,
                         carriesOutput ? "screen" : "none"}) == 0;
}

int RunOn(const XvfbServer& server, const std::vector<std::string>& command, std::string* output,
          int timeoutMs) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return -1;
    }
    std::vector<std::string> args = command;
    auto argv = ToArgv(args);
    const std::string display = server.Display();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        const int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, 2);
        }
        setenv("DISPLAY", display.c_str(), 1);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return -1;
    }
    std::string text;
    QElapsedTimer clock;
    clock.start();
    char buffer[4096];
    while (clock.elapsed() < timeoutMs) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 50) <= 0) {
            continue;
        }
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    const int left = std::max(0, timeoutMs - static_cast<int>(clock.elapsed()));
    if (!WaitForExit(pid, left, &status)) {
        kill(pid, SIGKILL);
        WaitForExit(pid, 2000, &status);
        return -1;
    }
    if (output != nullptr) {
        *output = text;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
