// The command line when no copy runs: --list and --quit say so, other commands start one
// (here the stand-in copy) and then carry on; and what happens without a session bus.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

#include "remote/DBusService.h"
#include "tests/remote/FakeTarget.h"
#include "tests/remote/RemoteTestSupport.h"

namespace {

const char* const kService = "io.github.quillane.Vantrel";
constexpr int kWaitMs = 15000;

class RemoteStartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(bus_.Address().isEmpty()) << bus_.Problem().toStdString();
        ASSERT_TRUE(dir_.isValid());
        environment_ = bus_.Environment();
        environment_.insert(QStringLiteral("REMOTE_TEST_COPY"), QStringLiteral(REMOTE_FAKE_COPY));
        environment_.insert(QStringLiteral("REMOTE_TEST_COPY_LOG"), LogPath());
        watcher_ = bus_.Connect(QStringLiteral("watcher"));
    }
    void TearDown() override {
        // A copy a failed test left running is asked to end before its bus goes.
        if (CopyRunning()) {
            Vantrel({QStringLiteral("--quit")});
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("watcher"));
    }

    QString LogPath() const { return dir_.filePath(QStringLiteral("copy.log")); }
    QString Log() const {
        QFile log(LogPath());
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }
    bool CopyRunning() const {
        return watcher_.interface()->isServiceRegistered(QString::fromLatin1(kService)).value();
    }
    ProcessResult Vantrel(const QStringList& arguments,
                          const QProcessEnvironment* environment = nullptr) {
        return RunServing(QStringLiteral(REMOTE_CLI), arguments,
                          environment != nullptr ? *environment : environment_);
    }

    PrivateBus bus_;
    QTemporaryDir dir_;
    QProcessEnvironment environment_;
    QDBusConnection watcher_{QString()};
};

TEST_F(RemoteStartTest, ListAndQuitSayThatNoCopyRuns) {
    for (const char* command : {"--list", "--quit"}) {
        const ProcessResult result = Vantrel({QString::fromLatin1(command)});
        EXPECT_EQ(result.exitCode, 1) << command;
        EXPECT_EQ(result.err, QStringLiteral("vantrel: no copy of Vantrel is running\n"));
        EXPECT_TRUE(result.out.isEmpty());
    }
    EXPECT_FALSE(CopyRunning());
    EXPECT_TRUE(Log().isEmpty()) << "a copy was started: " << Log().toStdString();
}

TEST_F(RemoteStartTest, ACommandStartsACopyWithoutArgumentsFirst) {
    const ProcessResult result = Vantrel({QStringLiteral("--clone"), QStringLiteral("UX"),
                                          QStringLiteral("--display"), QStringLiteral("2")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    ASSERT_TRUE(CopyRunning());
    EXPECT_EQ(Log(), QStringLiteral("started with 0 arguments\nClone 0x1c00003 2 fit\n"));
    // The same copy answers the next command; no second one is started.
    const ProcessResult list = Vantrel({QStringLiteral("--list")});
    EXPECT_TRUE(list.out.contains(QStringLiteral("window\t0x1c00003\t2\tUXTerm\n")));
    const ProcessResult quit = Vantrel({QStringLiteral("--quit")});
    EXPECT_EQ(quit.exitCode, 0) << quit.err.toStdString();
    QElapsedTimer clock;
    clock.start();
    while (CopyRunning() && clock.elapsed() < kWaitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_FALSE(CopyRunning());
    EXPECT_EQ(Log().count(QStringLiteral("started")), 1);
    EXPECT_TRUE(Log().endsWith(QStringLiteral("Quit\n")));
}

TEST_F(RemoteStartTest, TheStartedCopyLeavesTheCommandsOutputToItself) {
    // A script reading the output waits for the command, not for the copy it started.
    const ProcessResult result =
        RunServing(QStringLiteral("/bin/sh"),
                   {QStringLiteral("-c"), QStringLiteral("\"$0\" --show | cat; echo done"),
                    QStringLiteral(REMOTE_CLI)},
                   environment_, kWaitMs);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.out, QStringLiteral("done\n"));
    EXPECT_TRUE(CopyRunning());
}

TEST_F(RemoteStartTest, ACopyThatCannotStartOrDoesNotAnswerIsAFailure) {
    QProcessEnvironment missing = environment_;
    missing.insert(QStringLiteral("REMOTE_TEST_COPY"), dir_.filePath(QStringLiteral("absent")));
    const ProcessResult notStarted = Vantrel({QStringLiteral("--show")}, &missing);
    EXPECT_EQ(notStarted.exitCode, 1);
    EXPECT_TRUE(notStarted.err.contains(QStringLiteral("failed"))) << notStarted.err.toStdString();

    QProcessEnvironment silent = environment_;
    silent.insert(QStringLiteral("REMOTE_TEST_COPY"), QStringLiteral("/bin/true"));
    silent.insert(QStringLiteral("REMOTE_TEST_START_MS"), QStringLiteral("1000"));
    const ProcessResult noAnswer = Vantrel({QStringLiteral("--show")}, &silent);
    EXPECT_EQ(noAnswer.exitCode, 1);
    EXPECT_TRUE(noAnswer.err.contains(QStringLiteral("did not answer within 1 s")))
        << noAnswer.err.toStdString();
}

TEST_F(RemoteStartTest, ASecondStartWaitsForACopyThatIsStillStarting) {
    // The first copy holds its guard before it answers on the bus; a second start in that
    // moment waits for it (the stand-in gives it two seconds) instead of giving up.
    FakeTarget target(SampleDesktop());
    std::unique_ptr<DBusService> service;
    QTimer::singleShot(500, [&] {
        service = std::make_unique<DBusService>(target, bus_.Connect(QStringLiteral("late")));
    });
    const ProcessResult result = Vantrel({});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(target.Calls(), QStringList{QStringLiteral("Show")});
    service.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("late"));
}

TEST_F(RemoteStartTest, WithoutASessionBus) {
    const QProcessEnvironment noBus = EnvironmentWithoutBus();
    const ProcessResult command = Vantrel({QStringLiteral("--identify")}, &noBus);
    EXPECT_EQ(command.exitCode, 1);
    EXPECT_TRUE(
        command.err.startsWith(QStringLiteral("vantrel: cannot reach the D-Bus session bus")))
        << command.err.toStdString();
    // A second start finds nothing to show and ends quietly, as before (the stand-in says 3).
    const ProcessResult secondStart = Vantrel({}, &noBus);
    EXPECT_EQ(secondStart.exitCode, 3);
    EXPECT_TRUE(secondStart.err.isEmpty()) << secondStart.err.toStdString();
    // Bad usage is bad usage with or without a bus.
    EXPECT_EQ(Vantrel({QStringLiteral("--clone")}, &noBus).exitCode, 2);
}

}  // namespace
