// A private X server for one test: Xvfb on a free display number, with the extensions the
// program needs and RandR monitors set as the test asks; or, where window managers must see
// real outputs, Xorg with the dummy driver (XorgDummy.h). Ended when the object goes.
#pragma once

#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

struct MonitorSpec {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool primary = false;
};

class XvfbServer {
  public:
    struct Options {
        int width = 3200;
        int height = 1080;
        bool composite = true;
        // Xorg with the dummy driver: every monitor is an output of its own (DUMMY0...).
        bool realOutputs = false;
        std::vector<std::string> extraArgs;
    };

    XvfbServer();
    explicit XvfbServer(const Options& options);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool Running() const { return pid_ > 0 && !display_.empty(); }
    // The display name, for example ":37".
    const std::string& Display() const { return display_; }
    pid_t Pid() const { return pid_; }

    // Replaces the RandR monitors: the first carries the screen's output, the others none;
    // with real outputs each monitor is an output turned on, the others are turned off.
    bool SetMonitors(const std::vector<MonitorSpec>& monitors);
    // Plugs in one more monitor (after the others) or unplugs monitor index (0-based) while
    // programs run, as a user does with a projector. A new monitor gets a new name; one
    // plugged in again may take its old name (MonitorName) back.
    bool AddMonitor(const MonitorSpec& monitor, const std::string& reusedName = {});
    std::string MonitorName(std::size_t index) const {
        return index < names_.size() ? names_[index] : std::string();
    }
    bool RemoveMonitor(std::size_t index);
    const std::vector<MonitorSpec>& Monitors() const { return monitors_; }

    // The test process's environment with DISPLAY pointing at this server.
    QProcessEnvironment Environment() const;
    // Sets DISPLAY in this process, so a QGuiApplication created afterwards connects here.
    void Export() const;

    // Stops the server now (tests of the program's reaction to a lost display).
    void Stop();

  private:
    bool Start(const Options& options);
    bool SetMonitor(const MonitorSpec& monitor, const std::string& name, bool carriesOutput);
    bool SetOutputs(const std::vector<MonitorSpec>& monitors);
    bool AddOutput(const MonitorSpec& monitor);
    pid_t pid_ = -1;
    std::string display_;
    std::vector<MonitorSpec> monitors_;
    // RandR names of monitors_, in the same order.
    std::vector<std::string> names_;
    int nextName_ = 1;
    bool realOutputs_ = false;
    // Xorg's configuration and log.
    std::unique_ptr<QTemporaryDir> configDir_;
    // The configuration folder of the programs started here (kept clones, settings): the
    // user's own never leaks into a test, nor a test's into it.
    QTemporaryDir userConfig_;
};

// Runs a command to completion with DISPLAY set to the server; returns its exit code, or -1.
int RunOn(const XvfbServer& server, const std::vector<std::string>& argv,
          std::string* output = nullptr, int timeoutMs = 10000);
