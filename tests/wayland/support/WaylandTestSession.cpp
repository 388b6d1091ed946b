#include "tests/wayland/support/WaylandTestSession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace {

bool WriteFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

QByteArray BusConfig(const QString& socket) {
    return QByteArrayLiteral(
               "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
               "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n  <type>session</type>\n  <listen>unix:path=") +
           socket.toUtf8() +
           QByteArrayLiteral(
               "</listen>\n  <auth>EXTERNAL</auth>\n"
               "  <policy context=\"default\">\n    <allow user=\"*\"/>\n"
               "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
               "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n"
               "  </policy>\n</busconfig>\n");
}

const QByteArray kSwayConfig =
    "output HEADLESS-1 resolution 1280x720 position 0 0\n"
    "output HEADLESS-2 resolution 1280x720 position 1280 0\n"
    "output WL-1 resolution 1280x720 position 0 0\n"
    "output WL-2 resolution 1280x720 position 1280 0\n"
    "default_border none\n"
    "focus_follows_mouse no\n";

// The compositor whose windows are the nested sway's outputs: floating, so they keep the
// outputs' own size.
const QByteArray kOuterSwayConfig =
    "output HEADLESS-1 resolution 2600x800 position 0 0\n"
    "for_window [app_id=\"wlroots\"] floating enable\n"
    "default_border none\n";

}  // namespace

WaylandTestSession::WaylandTestSession(SessionServers servers)
    : runtime_(QDir::tempPath() + QStringLiteral("/vantrel-wl-XXXXXX")) {
    if (!runtime_.isValid()) {
        Fail(QStringLiteral("cannot make a runtime folder"));
        return;
    }
    QFile::setPermissions(RuntimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment_ = QProcessEnvironment::systemEnvironment();
    const QString home = RuntimeDir() + QStringLiteral("/home");
    QDir().mkpath(home);
    const std::pair<const char*, QString> variables[] = {
        {"XDG_RUNTIME_DIR", RuntimeDir()},
        {"PIPEWIRE_RUNTIME_DIR", RuntimeDir()},
        {"HOME", home},
        {"XDG_CONFIG_HOME", home + QStringLiteral("/config")},
        {"XDG_DATA_HOME", home + QStringLiteral("/data")},
        {"XDG_STATE_HOME", home + QStringLiteral("/state")},
        {"XDG_CACHE_HOME", home + QStringLiteral("/cache")},
    };
    for (const auto& [name, value] : variables) {
        environment_.insert(QString::fromLatin1(name), value);
        qputenv(name, value.toLocal8Bit());
    }
    environment_.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // A sway of an earlier session in this process would name its socket here.
    environment_.remove(QStringLiteral("SWAYSOCK"));
    environment_.remove(QStringLiteral("DISPLAY"));
    if (!StartBus()) {
        return;
    }
    if (servers.pipeWire && !StartPipeWire()) {
        return;
    }
    if (servers.sway) {
        StartSway(servers.nestedOutputs);
    } else if (servers.weston) {
        StartWeston();
    }
}

WaylandTestSession::~WaylandTestSession() {
    for (auto process = processes_.rbegin(); process != processes_.rend(); ++process) {
        (*process)->terminate();
        if (!(*process)->waitForFinished(3000)) {
            (*process)->kill();
            (*process)->waitForFinished(3000);
        }
    }
}

bool WaylandTestSession::Fail(const QString& problem) {
    if (problem_.isEmpty()) {
        problem_ = problem;
    }
    return false;
}

QString WaylandTestSession::BusAddress() const {
    return QStringLiteral("unix:path=") + RuntimeDir() + QStringLiteral("/bus");
}

QProcess& WaylandTestSession::Start(const QString& program, const QStringList& arguments) {
    return StartWith(environment_, program, arguments);
}

QProcess& WaylandTestSession::StartWith(const QProcessEnvironment& environment,
                                        const QString& program, const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setReadChannel(QProcess::StandardOutput);
    process->start(program, arguments);
    process->waitForStarted(5000);
    processes_.push_back(std::move(process));
    return *processes_.back();
}

std::optional<QByteArray> WaylandTestSession::Run(const QString& program,
                                                  const QStringList& arguments, int timeoutMs) {
    QProcess process;
    process.setProcessEnvironment(environment_);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

bool WaylandTestSession::StartBus() {
    const QString config = RuntimeDir() + QStringLiteral("/bus.conf");
    const QString socket = RuntimeDir() + QStringLiteral("/bus");
    if (!WriteFile(config, BusConfig(socket))) {
        return Fail(QStringLiteral("cannot write the bus configuration"));
    }
    QProcess& bus = Start(QStringLiteral("dbus-daemon"),
                          {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork")});
    if (bus.state() != QProcess::Running ||
        !WaitUntil([&socket] { return QFileInfo::exists(socket); }, 10000)) {
        return Fail(QStringLiteral("dbus-daemon did not start (package dbus)"));
    }
    environment_.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), BusAddress());
    qputenv("DBUS_SESSION_BUS_ADDRESS", BusAddress().toLocal8Bit());
    return true;
}

bool WaylandTestSession::StartPipeWire() {
    QProcess& pipewire = Start(QStringLiteral("pipewire"), {});
    const QString socket = PipeWireSocket();
    if (pipewire.state() != QProcess::Running ||
        !WaitUntil([&socket] { return QFileInfo::exists(socket); }, 10000)) {
        return Fail(QStringLiteral("pipewire did not start (package pipewire)"));
    }
    QProcess& manager = Start(QStringLiteral("wireplumber"), {});
    if (manager.state() != QProcess::Running) {
        return Fail(QStringLiteral("wireplumber did not start (package wireplumber)"));
    }
    return true;
}

// Each sway's IPC socket is named up front (sway takes SWAYSOCK when nothing is there yet),
// so two of them in one runtime folder are told apart.
std::optional<QString> WaylandTestSession::StartOneSway(QProcessEnvironment environment,
                                                        const QByteArray& configText,
                                                        const QString& ipc) {
    const QString config = ipc + QStringLiteral(".conf");
    if (!WriteFile(config, configText)) {
        Fail(QStringLiteral("cannot write the sway configuration"));
        return std::nullopt;
    }
    environment.insert(QStringLiteral("SWAYSOCK"), ipc);
    const QStringList before = WaylandSockets();
    QProcess& sway = StartWith(environment, QStringLiteral("sway"), {QStringLiteral("-c"), config});
    swayProcessId_ = sway.processId();
    QString display;
    const bool up = sway.state() == QProcess::Running &&
                    WaitUntil(
                        [&] {
                            for (const QString& name : WaylandSockets()) {
                                if (!before.contains(name)) {
                                    display = name;
                                }
                            }
                            return !display.isEmpty() && QFileInfo::exists(ipc);
                        },
                        15000);
    if (!up) {
        Fail(QStringLiteral("sway did not start (package sway): ") +
             QString::fromLocal8Bit(sway.readAllStandardError().right(2000)));
        return std::nullopt;
    }
    return display;
}

QStringList WaylandTestSession::WaylandSockets() const {
    return QDir(RuntimeDir())
        .entryList({QStringLiteral("wayland-*")}, QDir::System | QDir::Files)
        .filter(QRegularExpression(QStringLiteral("^wayland-[0-9]+$")));
}

bool WaylandTestSession::StartSway(bool nestedOutputs) {
    if (getuid() == 0) {
        return Fail(
            QStringLiteral("sway refuses to run as root: run this test through "
                           "tests/wayland/run-unprivileged"));
    }
    QProcessEnvironment environment = environment_;
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_HEADLESS_OUTPUTS"),
                       nestedOutputs ? QStringLiteral("1") : QStringLiteral("2"));
    std::optional<QString> display;
    const QString ipc = RuntimeDir() + QStringLiteral("/sway-ipc.sock");
    if (!nestedOutputs) {
        display = StartOneSway(environment, kSwayConfig, ipc);
    } else {
        outerSwaySocket_ = RuntimeDir() + QStringLiteral("/outer-sway-ipc.sock");
        const std::optional<QString> outer =
            StartOneSway(environment, kOuterSwayConfig, outerSwaySocket_);
        if (!outer) {
            return false;
        }
        environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("wayland"));
        environment.insert(QStringLiteral("WLR_WL_OUTPUTS"), QStringLiteral("2"));
        environment.insert(QStringLiteral("WAYLAND_DISPLAY"), *outer);
        display = StartOneSway(environment, kSwayConfig, ipc);
    }
    if (!display) {
        return false;
    }
    environment_ = environment;
    waylandDisplay_ = *display;
    swaySocket_ = ipc;
    environment_.insert(QStringLiteral("WAYLAND_DISPLAY"), waylandDisplay_);
    environment_.insert(QStringLiteral("SWAYSOCK"), swaySocket_);
    qputenv("WAYLAND_DISPLAY", waylandDisplay_.toLocal8Bit());
    qputenv("SWAYSOCK", swaySocket_.toLocal8Bit());
    return true;
}

bool WaylandTestSession::StartWeston() {
    const QString display = QStringLiteral("wayland-weston");
    // Its log goes to a file: weston writes more than a pipe nobody reads would hold.
    const QString log = RuntimeDir() + QStringLiteral("/weston.log");
    QProcess& weston =
        StartWith(environment_, QStringLiteral("weston"),
                  {QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--use-pixman"),
                   QStringLiteral("--socket=") + display, QStringLiteral("--width=1280"),
                   QStringLiteral("--height=720"), QStringLiteral("--idle-time=0"),
                   QStringLiteral("--log=") + log});
    const QString socket = RuntimeDir() + u'/' + display;
    if (weston.state() != QProcess::Running ||
        !WaitUntil([&] { return QFileInfo::exists(socket); }, 15000)) {
        QFile text(log);
        return Fail(QStringLiteral("weston did not start (package weston): ") +
                    (text.open(QIODevice::ReadOnly)
                         ? QString::fromLocal8Bit(text.readAll().right(2000))
                         : QString()));
    }
    waylandDisplay_ = display;
    environment_.insert(QStringLiteral("WAYLAND_DISPLAY"), display);
    qputenv("WAYLAND_DISPLAY", display.toLocal8Bit());
    return true;
}

bool WaylandTestSession::UnplugOutput(const QString& name) {
    return !outerSwaySocket_.isEmpty() &&
           Run(QStringLiteral("swaymsg"),
               {QStringLiteral("-s"), outerSwaySocket_,
                QStringLiteral("[title=\"wlroots - %1\"] kill").arg(name)})
               .has_value();
}

bool WaylandTestSession::WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        // As the event loop would: objects released with deleteLater go now.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(10);
    }
    return true;
}

std::optional<QString> WaylandTestSession::WaitForLine(QProcess& process, const QString& prefix,
                                                       int timeoutMs) {
    std::optional<QString> found;
    WaitUntil(
        [&] {
            while (process.canReadLine()) {
                const QString line = QString::fromUtf8(process.readLine()).trimmed();
                if (line.startsWith(prefix)) {
                    found = line.mid(prefix.size()).trimmed();
                    return true;
                }
            }
            process.waitForReadyRead(10);
            return process.state() != QProcess::Running && !process.canReadLine();
        },
        timeoutMs);
    return found;
}
