#include "tests/e2e/support/TestDesktop.h"

#include <xcb/xcb.h>

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "tests/e2e/support/WaitUntil.h"

namespace {

constexpr int kTakeOverMs = 10000;

struct ManagerCommand {
    WindowManager manager;
    const char* name;
    const char* program;
    QStringList args;
};

const ManagerCommand kManagers[] = {
    {WindowManager::None, "none", "", {}},
    {WindowManager::Openbox, "openbox", "openbox", {QStringLiteral("--sm-disable")}},
    {WindowManager::Icewm, "icewm", "icewm", {}},
    {WindowManager::Fluxbox, "fluxbox", "fluxbox", {}},
    {WindowManager::Xfwm4, "xfwm4", "xfwm4", {QStringLiteral("--sm-client-disable")}},
    {WindowManager::Xfwm4NoCompositor,
     "xfwm4-no-compositor",
     "xfwm4",
     {QStringLiteral("--sm-client-disable"), QStringLiteral("--compositor=off")}},
    {WindowManager::I3, "i3", "i3", {}},
    {WindowManager::Awesome, "awesome", "awesome", {}},
};

// i3 without a configuration of its own starts a wizard that asks for one; this is its
// default configuration without the bar and the key bindings, which the tests do not use. The
// scenes' source windows ("Quadrants") float, so they keep the size the scenes draw them at
// instead of taking a tile's share of the workspace.
const char kI3Config[] =
    "# i3 config file (v4)\n"
    "font pango:monospace 8\n"
    "floating_modifier Mod1\n"
    "focus_on_window_activation smart\n"
    "for_window [title=\"^Quadrants$\"] floating enable\n";

const ManagerCommand& CommandOf(WindowManager manager) {
    for (const ManagerCommand& m : kManagers) {
        if (m.manager == manager) {
            return m;
        }
    }
    return kManagers[0];
}

bool WriteFile(const QString& path, const char* text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) > 0;
}

// Settings a window manager reads from its (private) home at start. Fluxbox otherwise asks a
// helper to set the style's wallpaper, and where no wallpaper setter is installed that helper
// opens an xmessage window which takes the focus and shows up as one more application
// window. Fluxbox runs the helper ("fbsetbg -z", restore the last wallpaper) even with no
// background in the style; told of a setter that is there (IceWM's, installed for the IceWM
// scenes) and with no wallpaper recorded, it ends quietly.
bool WriteManagerSettings(WindowManager manager, const QString& home) {
    if (manager == WindowManager::I3) {
        return QDir(home).mkpath(QStringLiteral(".config/i3")) &&
               WriteFile(home + QStringLiteral("/.config/i3/config"), kI3Config);
    }
    if (manager != WindowManager::Fluxbox) {
        return true;
    }
    const QString dir = home + QStringLiteral("/.fluxbox");
    return QDir(home).mkpath(QStringLiteral(".fluxbox")) &&
           WriteFile(dir + QStringLiteral("/overlay"), "background: none\n") &&
           WriteFile(dir + QStringLiteral("/lastwallpaper"), "wpsetters icewmbg\n");
}

}  // namespace

const char* WindowManagerName(WindowManager manager) {
    return CommandOf(manager).name;
}

std::optional<WindowManager> ParseWindowManager(const std::string& name) {
    for (const ManagerCommand& m : kManagers) {
        if (name == m.name) {
            return m.manager;
        }
    }
    return std::nullopt;
}

TestDesktop::TestDesktop(const DesktopOptions& options) {
    XvfbServer::Options server;
    server.width = options.width;
    server.height = options.height;
    server.composite = options.composite;
    server.realOutputs = options.realOutputs;
    server.extraArgs = options.serverArgs;
    server_ = std::make_unique<XvfbServer>(server);
    if (!server_->Running()) {
        Fail(options.realOutputs ? "Xorg with the dummy driver did not start (is "
                                   "xserver-xorg-video-dummy installed?)"
                                 : "Xvfb did not start");
        return;
    }
    if (!options.monitors.empty() && !server_->SetMonitors(options.monitors)) {
        Fail("xrandr could not set the monitors");
        return;
    }
    x_ = std::make_unique<XClient>(server_->Display());
    if (!x_->Connected()) {
        Fail("no connection to the X server");
        return;
    }
    if (options.windowManager != WindowManager::None &&
        !StartWindowManager(options.windowManager)) {
        return;
    }
    if (options.tray && !StartTray()) {
        return;
    }
    if (options.compositor) {
        StartCompositor();
    }
}

TestDesktop::~TestDesktop() {
    // Programs first, newest first, then the helpers they talk to, then the connection and
    // the server.
    while (!programs_.empty()) {
        programs_.pop_back();
    }
    x_.reset();
    server_.reset();
}

bool TestDesktop::Fail(const std::string& what) {
    if (failure_.empty()) {
        failure_ = what;
    }
    return false;
}

TestProgram* TestDesktop::StartHelper(const QString& program, const QStringList& args,
                                      const QProcessEnvironment& env,
                                      TestProgram::StandardOutput output) {
    TestProgram& helper = Start(program, args, TestProgram::ErrorOutput::Forward, env, output);
    if (!helper.Started()) {
        Fail(program.toStdString() + " did not start (is it installed?)");
        return nullptr;
    }
    return &helper;
}

bool TestDesktop::StartWindowManager(WindowManager manager) {
    if (manager == WindowManager::None) {
        return true;
    }
    if (!home_) {
        home_ = std::make_unique<QTemporaryDir>();
    }
    QProcessEnvironment env = Environment();
    env.insert(QStringLiteral("HOME"), home_->path());
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    const std::string name = WindowManagerName(manager);
    if (!WriteManagerSettings(manager, home_->path())) {
        return Fail("could not write the settings of " + name);
    }
    const ManagerCommand& command = CommandOf(manager);
    if (std::string_view(command.program) == "xfwm4" && !StartSessionBus(env)) {
        return false;
    }
    if (StartHelper(QString::fromUtf8(command.program), command.args, env) == nullptr) {
        return false;
    }
    // A window manager announces itself before it frames new windows: wait for a frame.
    if (!x_->WaitForWindowManager(kTakeOverMs)) {
        return Fail(name + " did not frame a new window within 10 s");
    }
    return true;
}

// xfwm4 reads its settings through xfconfd, which the session bus starts: a private bus,
// which ends with the desktop and takes xfconfd with it. No accessibility bus is started.
bool TestDesktop::StartSessionBus(QProcessEnvironment& env) {
    TestProgram* bus =
        StartHelper(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"},
                    env, TestProgram::StandardOutput::Read);
    const QByteArray address = bus != nullptr ? bus->ReadLine(kTakeOverMs).trimmed() : QByteArray();
    if (address.isEmpty()) {
        return Fail("no private session bus for the window manager");
    }
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(address));
    env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    return true;
}

bool TestDesktop::StartTray() {
    if (StartHelper(QStringLiteral("trayer"),
                    {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "100",
                     "--height", "32"},
                    Environment()) == nullptr) {
        return false;
    }
    return WaitForSelectionOwner("_NET_SYSTEM_TRAY_S0", true) ||
           Fail("trayer did not take the tray selection within 10 s");
}

bool TestDesktop::StartCompositor() {
    compositor_ = StartHelper(QStringLiteral("xcompmgr"), {}, Environment());
    if (compositor_ == nullptr) {
        return false;
    }
    return WaitForSelectionOwner("_NET_WM_CM_S0", true) ||
           Fail("xcompmgr did not take the compositing selection within 10 s");
}

void TestDesktop::StopCompositor() {
    if (compositor_ != nullptr) {
        compositor_->Stop();
        compositor_ = nullptr;
        WaitForSelectionOwner("_NET_WM_CM_S0", false);
    }
}

bool TestDesktop::WaitForSelectionOwner(const char* selection, bool owned) {
    xcb_connection_t* c = x_->Connection();
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(selection)), selection),
            nullptr),
        &std::free);
    if (!atom) {
        return false;
    }
    return WaitUntil(
        [&] {
            std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
                xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr),
                &std::free);
            return owner && (owner->owner != XCB_WINDOW_NONE) == owned;
        },
        kTakeOverMs, 20);
}

TestProgram& TestDesktop::Start(const QString& program, const QStringList& args,
                                TestProgram::ErrorOutput errors,
                                std::optional<QProcessEnvironment> env,
                                TestProgram::StandardOutput output) {
    programs_.push_back(
        std::make_unique<TestProgram>(program, args, env.value_or(Environment()), errors, output));
    return *programs_.back();
}

QImage TestDesktop::Screenshot() {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x_->Connection())).data;
    return x_->Grab(QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels));
}
