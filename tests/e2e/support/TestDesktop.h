// A private X desktop for one test, benchmark or script: Xvfb with the RandR monitors asked
// for, or Xorg whose monitors are real outputs (and with or without Composite), optionally a window
// manager, a tray host and a compositing manager, the programs the test starts on it, and the
// test's own connection for screenshots, pixel probes and synthetic input. Everything it started
// ends with it, in reverse order, also when a test fails half-way.
#pragma once

#include <QImage>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/support/TestProgram.h"
#include "tests/e2e/support/XClient.h"
#include "tests/e2e/support/XvfbServer.h"

// The window managers the placement scenes run under; None leaves windows unmanaged. Xfwm4
// composites the screen itself (its default), Xfwm4NoCompositor is xfwm4 with that turned off.
enum class WindowManager { None, Openbox, Icewm, Fluxbox, Xfwm4, Xfwm4NoCompositor, I3, Awesome };
const char* WindowManagerName(WindowManager manager);
// Parses "openbox", "icewm", "fluxbox", "xfwm4", "xfwm4-no-compositor", "i3", "awesome" or
// "none"; nothing for any other name.
std::optional<WindowManager> ParseWindowManager(const std::string& name);

struct DesktopOptions {
    // The screen; monitors lie inside it. Without monitors Xvfb's own one covers the screen.
    int width = 3200;
    int height = 1080;
    std::vector<MonitorSpec> monitors;
    bool composite = true;
    // Xorg with the dummy driver instead of Xvfb: each monitor is a RandR output of its own,
    // as window managers that place windows by output need, and hot-plugging turns outputs
    // on and off. Slower to start than Xvfb.
    bool realOutputs = false;
    WindowManager windowManager = WindowManager::None;
    // A system tray host (trayer) at the top right of the first monitor.
    bool tray = false;
    // A compositing manager (xcompmgr) drawing the screen from offscreen windows.
    bool compositor = false;
    std::vector<std::string> serverArgs;
};

class TestDesktop {
  public:
    explicit TestDesktop(const DesktopOptions& options = {});
    ~TestDesktop();
    TestDesktop(const TestDesktop&) = delete;
    TestDesktop& operator=(const TestDesktop&) = delete;

    // Whether everything asked for runs; when not, Failure() says what did not start.
    bool Ready() const { return failure_.empty(); }
    const std::string& Failure() const { return failure_; }

    XvfbServer& Server() { return *server_; }
    XClient& X() { return *x_; }
    const std::string& Display() const { return server_->Display(); }
    // The test's environment with DISPLAY set to this desktop and Qt on xcb.
    QProcessEnvironment Environment() const { return server_->Environment(); }

    // Starts one more window manager, tray or compositor; false (with Failure()) when it
    // did not start or did not take over within 10 s.
    bool StartWindowManager(WindowManager manager);
    bool StartTray();
    bool StartCompositor();
    // Ends the compositing manager and waits until it has let go of the screen (tests of
    // the program's reaction to it going away).
    void StopCompositor();
    // Starts a private session bus that ends with the desktop and names it in env; false
    // (with Failure()) when it did not start.
    bool StartSessionBus(QProcessEnvironment& env);

    // Starts a program on this desktop, with env (default: Environment()); it ends with the
    // desktop at the latest. The reference stays valid as long as the desktop.
    TestProgram& Start(const QString& program, const QStringList& args = {},
                       TestProgram::ErrorOutput errors = TestProgram::ErrorOutput::Forward,
                       std::optional<QProcessEnvironment> env = std::nullopt,
                       TestProgram::StandardOutput output = TestProgram::StandardOutput::Read);

    // The whole screen or part of it as the server shows it now.
    QImage Screenshot();
    QImage Screenshot(const QRect& area) { return x_->Grab(area); }
    QRgb PixelAt(int x, int y) { return x_->PixelAt(x, y); }

  private:
    TestProgram* StartHelper(
        const QString& program, const QStringList& args, const QProcessEnvironment& env,
        TestProgram::StandardOutput output = TestProgram::StandardOutput::Drop);
    bool Fail(const std::string& what);
    // Waits until selection has an owner (owned) or has none (!owned).
    bool WaitForSelectionOwner(const char* selection, bool owned);

    std::unique_ptr<XvfbServer> server_;
    std::unique_ptr<XClient> x_;
    // Window managers keep their settings in a home of their own, not the user's.
    std::unique_ptr<QTemporaryDir> home_;
    std::vector<std::unique_ptr<TestProgram>> programs_;
    TestProgram* compositor_ = nullptr;
    std::string failure_;
};
