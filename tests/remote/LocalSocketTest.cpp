// The message lines the Windows build answers scripts with, each way, and the line channel
// of its command line, over a local socket: a service in this process answering a client
// on another thread.
#include <QCoreApplication>
#include <QLocalSocket>
#include <QUuid>

#include <gtest/gtest.h>

#include <future>

#include "remote/LocalSocketMessages.h"
#include "tests/remote/FakeTarget.h"
#include "tests/remote/LocalSocketService.h"
#include "tests/remote/LocalSocketTransport.h"

namespace {

constexpr int kWaitMs = 10000;

TEST(LocalSocketMessages, RequestsAndAnswersSurviveTheWay) {
    RemoteRequest clone = MakeRequest(RemoteCommand::Clone, QStringLiteral("\"tab\"\there"), 2);
    clone.natural = true;
    RemoteRequest pointer = MakeRequest(RemoteCommand::SetPointer);
    pointer.pointer = false;
    for (const RemoteRequest& request : {clone, pointer, MakeRequest(RemoteCommand::Quit)}) {
        const QByteArray line = EncodeRequest(request);
        EXPECT_TRUE(line.endsWith('\n'));
        EXPECT_EQ(line.count('\n'), 1);
        const auto decoded = DecodeRequest(line);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->command, request.command);
        EXPECT_EQ(decoded->window, request.window);
        EXPECT_EQ(decoded->display, request.display);
        EXPECT_EQ(decoded->natural, request.natural);
        EXPECT_EQ(decoded->pointer, request.pointer);
    }
    for (const Outcome& outcome :
         {Outcome::Done(QStringLiteral("a\nb\n")), Outcome::Failed(QStringLiteral("why"))}) {
        const Outcome decoded = DecodeOutcome(EncodeOutcome(outcome));
        EXPECT_EQ(decoded.status, outcome.status);
        EXPECT_EQ(decoded.message, outcome.message);
    }
}

TEST(LocalSocketMessages, WhatIsNotAMessageIsRefused) {
    for (const char* line :
         {"", "garbage\n", "[1]\n", "{\"command\":\"Explode\"}\n", "{\"window\":\"x\"}\n"}) {
        EXPECT_FALSE(DecodeRequest(line).has_value()) << line;
    }
    for (const char* line : {"", "{}\n", "{\"status\":\"0\"}\n"}) {
        EXPECT_EQ(DecodeOutcome(line).status, 1) << line;
    }
}

class LocalSocketTest : public ::testing::Test {
  protected:
    // Sends from another thread, as a client process would, while this one serves.
    Outcome Send(const RemoteRequest& request) {
        auto answer = std::async(std::launch::async, [this, request] {
            return LocalSocketChannel(name_, kWaitMs).Send(request);
        });
        while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return answer.get();
    }

    QString name_ = QStringLiteral("vantrel-test-") + QUuid::createUuid().toString(QUuid::Id128);
    FakeTarget target_{SampleDesktop()};
    LocalSocketService service_{target_, name_};
};

TEST_F(LocalSocketTest, CommandsReachTheTargetAndAnswersComeBack) {
    ASSERT_TRUE(service_.Registered());
    EXPECT_TRUE(Send(MakeRequest(RemoteCommand::Clone, QStringLiteral("xterm"), 2)).Succeeded());
    EXPECT_EQ(Send(MakeRequest(RemoteCommand::List)).message, FormatListing(target_.State()));
    const Outcome ambiguous = Send(MakeRequest(RemoteCommand::Release, QStringLiteral("erm"), 1));
    EXPECT_EQ(ambiguous.status, 1);
    EXPECT_TRUE(ambiguous.message.contains(QStringLiteral("matches 2 windows")));
    EXPECT_TRUE(Send(MakeRequest(RemoteCommand::Quit)).Succeeded());
    // Quit is carried out after its answer went out, on a later turn of the event loop.
    QCoreApplication::processEvents();
    EXPECT_EQ(target_.Calls(),
              (QStringList{QStringLiteral("Clone 0x1a00007 2 fit"), QStringLiteral("Quit")}));
}

TEST_F(LocalSocketTest, ASecondServiceUnderTheNameIsRefused) {
    ASSERT_TRUE(service_.Registered());
    FakeTarget other(SampleDesktop());
    const LocalSocketService second(other, name_);
    EXPECT_FALSE(second.Registered());
    EXPECT_TRUE(Send(MakeRequest(RemoteCommand::Show)).Succeeded());
    EXPECT_EQ(target_.Calls(), QStringList{QStringLiteral("Show")});
    EXPECT_TRUE(other.Calls().isEmpty());
}

TEST_F(LocalSocketTest, NoServiceMeansNoCopy) {
    const QString absent = name_ + QStringLiteral("-absent");
    EXPECT_FALSE(LocalSocketChannel(absent).CopyRunning());
    EXPECT_EQ(LocalSocketChannel(absent).Send(MakeRequest(RemoteCommand::Show)).status, 1);
    EXPECT_TRUE(LocalSocketChannel(name_).CopyRunning());
}

TEST_F(LocalSocketTest, AGarbledRequestIsAnsweredAsSuch) {
    auto answer = std::async(std::launch::async, [this] {
        QLocalSocket socket;
        socket.connectToServer(name_);
        socket.waitForConnected(kWaitMs);
        socket.write("not json\n");
        while (!socket.canReadLine() && socket.waitForReadyRead(kWaitMs)) {
        }
        return DecodeOutcome(socket.readLine());
    });
    while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    const Outcome outcome = answer.get();
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.message, QStringLiteral("not a request"));
    EXPECT_TRUE(target_.Calls().isEmpty());
}

}  // namespace
