#include "tests/remote/RemoteTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Nothing is activated: only what a test starts itself can own a name.
const char* const kBusConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

constexpr int kDaemonStartMs = 10000;

class CoreApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "vantrel_remote_tests";
        static char* argv[] = {name, nullptr};
        application_ = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { application_.reset(); }

  private:
    std::unique_ptr<QCoreApplication> application_;
};

[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

}  // namespace

ProcessResult RunServing(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment, int timeoutMs) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    QElapsedTimer clock;
    clock.start();
    while (process.state() != QProcess::NotRunning && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        process.waitForFinished(10);
    }
    ProcessResult result;
    result.finished = process.state() == QProcess::NotRunning &&
                      process.exitStatus() == QProcess::NormalExit &&
                      process.error() != QProcess::FailedToStart;
    if (!result.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.exitCode = process.exitCode();
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

PrivateBus::PrivateBus() {
    const QString configPath = dir_.filePath(QStringLiteral("bus.conf"));
    QFile config(configPath);
    if (!dir_.isValid() || !config.open(QIODevice::WriteOnly)) {
        problem_ = QStringLiteral("cannot write the bus configuration");
        return;
    }
    config.write(QString::fromLatin1(kBusConfig).arg(dir_.path()).toUtf8());
    config.close();
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"),
                   QStringLiteral("--print-address")});
    QElapsedTimer clock;
    clock.start();
    while (!daemon_.canReadLine() && daemon_.state() != QProcess::NotRunning &&
           clock.elapsed() < kDaemonStartMs) {
        daemon_.waitForReadyRead(100);
    }
    address_ = QString::fromLocal8Bit(daemon_.readLine()).trimmed();
    if (address_.isEmpty()) {
        problem_ = QStringLiteral("dbus-daemon did not start: ") + daemon_.errorString() +
                   QString::fromLocal8Bit(daemon_.readAllStandardError());
    }
}

PrivateBus::~PrivateBus() {
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
}

QProcessEnvironment PrivateBus::Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
    return environment;
}

QDBusConnection PrivateBus::Connect(const QString& connectionName) const {
    return QDBusConnection::connectToBus(address_, connectionName);
}

QProcessEnvironment EnvironmentWithoutBus() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=/nonexistent/vantrel-test-bus"));
    return environment;
}
