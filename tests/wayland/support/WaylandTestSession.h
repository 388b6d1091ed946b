// The servers a Wayland test needs, private to the test: a runtime folder, a session bus
// that activates nothing (so no real portal takes the portal's name), a PipeWire instance
// with its session manager, and sway headless with two 1280x720 outputs (or weston headless).
// Everything ends with the object, in reverse order.
//
// Outputs of sway headless can be added (swaymsg create_output) but never removed. For
// tests of outputs that go, nestedOutputs runs the sway under test on an outer sway
// headless instead: its two outputs (WL-1, WL-2) are windows of the outer one, and closing
// such a window unplugs the output.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct SessionServers {
    bool pipeWire = false;
    bool sway = false;
    bool nestedOutputs = false;
    // weston headless (pixman, one 1280x720 output) instead of sway: a desktop that publishes
    // no window list, as GNOME and KDE.
    bool weston = false;
};

class WaylandTestSession {
  public:
    explicit WaylandTestSession(SessionServers servers);
    ~WaylandTestSession();
    WaylandTestSession(const WaylandTestSession&) = delete;
    WaylandTestSession& operator=(const WaylandTestSession&) = delete;

    // Empty when every server runs; otherwise what failed.
    const QString& Problem() const { return problem_; }
    QString RuntimeDir() const { return runtime_.path(); }
    QString BusAddress() const;
    QString PipeWireSocket() const { return RuntimeDir() + QStringLiteral("/pipewire-0"); }
    const QString& WaylandDisplay() const { return waylandDisplay_; }
    const QString& SwaySocket() const { return swaySocket_; }
    // The sway the clients run on (the inner one with nestedOutputs), for CPU figures.
    qint64 SwayProcessId() const { return swayProcessId_; }
    // The environment of programs in this session (also set in this process).
    const QProcessEnvironment& Environment() const { return environment_; }

    // Unplugs an output of a session with nestedOutputs (false otherwise or on failure).
    bool UnplugOutput(const QString& name);

    // Starts a program in the session; it is ended with the session.
    QProcess& Start(const QString& program, const QStringList& arguments);
    // Runs a program to its end (bounded) and gives its standard output, or nothing.
    std::optional<QByteArray> Run(const QString& program, const QStringList& arguments,
                                  int timeoutMs = 10000);

    // Polls condition while processing events, until it holds or timeoutMs pass.
    static bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);
    // The first line of output starting with prefix (read within timeoutMs), without it.
    static std::optional<QString> WaitForLine(QProcess& process, const QString& prefix,
                                              int timeoutMs);

  private:
    bool StartBus();
    bool StartPipeWire();
    bool StartSway(bool nestedOutputs);
    bool StartWeston();
    // One sway with the given environment and configuration, its IPC socket at ipc; the
    // name of the Wayland display it made, or nothing (the problem recorded).
    std::optional<QString> StartOneSway(QProcessEnvironment environment,
                                        const QByteArray& configText, const QString& ipc);
    QStringList WaylandSockets() const;
    QProcess& StartWith(const QProcessEnvironment& environment, const QString& program,
                        const QStringList& arguments);
    bool Fail(const QString& problem);

    QTemporaryDir runtime_;
    QProcessEnvironment environment_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    QString waylandDisplay_;
    QString swaySocket_;
    qint64 swayProcessId_ = 0;
    QString outerSwaySocket_;
    QString problem_;
};
