#include "tests/wayland/support/WaylandTestSession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    "default_border none\n"
    "focus_follows_mouse no\n";

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
    environment_.remove(QStringLiteral("DISPLAY"));
    if (!StartBus()) {
        return;
    }
    if (servers.pipeWire && !StartPipeWire()) {
        return;
    }
    if (servers.sway) {
        StartSway();
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
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment_);
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

bool WaylandTestSession::StartSway() {
    if (getuid() == 0) {
        return Fail(
            QStringLiteral("sway refuses to run as root: run this test through "
                           "tests/wayland/run-unprivileged"));
    }
    const QString config = RuntimeDir() + QStringLiteral("/sway.conf");
    if (!WriteFile(config, kSwayConfig)) {
        return Fail(QStringLiteral("cannot write the sway configuration"));
    }
    for (const auto& [name, value] :
         {std::pair{"WLR_BACKENDS", "headless"}, std::pair{"WLR_RENDERER", "pixman"},
          std::pair{"WLR_HEADLESS_OUTPUTS", "2"}, std::pair{"WLR_LIBINPUT_NO_DEVICES", "1"}}) {
        environment_.insert(QString::fromLatin1(name), QString::fromLatin1(value));
    }
    QProcess& sway = Start(QStringLiteral("sway"), {QStringLiteral("-c"), config});
    const QDir runtime(RuntimeDir());
    const bool up = sway.state() == QProcess::Running &&
                    WaitUntil(
                        [&] {
                            const QStringList displays = runtime.entryList(
                                {QStringLiteral("wayland-*")}, QDir::System | QDir::Files);
                            const QStringList ipc = runtime.entryList(
                                {QStringLiteral("sway-ipc.*.sock")}, QDir::System | QDir::Files);
                            for (const QString& name : displays) {
                                if (!name.endsWith(QStringLiteral(".lock"))) {
                                    waylandDisplay_ = name;
                                }
                            }
                            if (!ipc.isEmpty()) {
                                swaySocket_ = runtime.filePath(ipc.first());
                            }
                            return !waylandDisplay_.isEmpty() && !swaySocket_.isEmpty();
                        },
                        15000);
    if (!up) {
        return Fail(QStringLiteral("sway did not start (package sway): ") +
                    QString::fromLocal8Bit(sway.readAllStandardError().right(2000)));
    }
    environment_.insert(QStringLiteral("WAYLAND_DISPLAY"), waylandDisplay_);
    environment_.insert(QStringLiteral("SWAYSOCK"), swaySocket_);
    qputenv("WAYLAND_DISPLAY", waylandDisplay_.toLocal8Bit());
    qputenv("SWAYSOCK", swaySocket_.toLocal8Bit());
    return true;
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
