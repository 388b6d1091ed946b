// The user's named pipe: a server answering on the event loop of the test's thread, clients
// on other threads (as the command line is another process), under Wine.
#include <QCoreApplication>
#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <thread>

#include "platform/win32/Win32Pipe.h"
#include "tests/platform/win32/Win32TestSupport.h"

namespace {

QString TestPipeName(const char* test) {
    return UserPipeName(QStringLiteral("vantrel-test-%1-%2")
                            .arg(QString::fromLatin1(test))
                            .arg(GetCurrentProcessId()));
}

// Runs work on a thread of its own while this thread's event loop keeps the server going.
template <typename Work>
auto WhileServing(Work work) {
    auto result = std::async(std::launch::async, work);
    PollUntil([&] {
        QCoreApplication::processEvents();
        return result.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready;
    });
    return result.get();
}

std::optional<QByteArray> Request(const QString& name, const QByteArray& line,
                                  QString* error = nullptr, int answerTimeoutMs = 10000) {
    QString why;
    auto answer =
        WhileServing([&] { return PipeRequest(name, line, 2000, answerTimeoutMs, &why); });
    if (error != nullptr) {
        *error = why;
    }
    return answer;
}

// A server that answers "seen <request>" and remembers how many it answered.
struct EchoServer {
    explicit EchoServer(const QString& name)
        : server(PipeServer::Listen(name, [this](const QByteArray& request) {
              ++answered;
              return QByteArray("seen ") + request;
          })) {}
    std::atomic<int> answered = 0;
    std::unique_ptr<PipeServer> server;
};

TEST(Win32Pipe, NameCarriesTheUsersSidAndTheSession) {
    const QString name = UserPipeName(QStringLiteral("vantrel"));
    EXPECT_TRUE(name.startsWith(QStringLiteral(R"(\\.\pipe\vantrel-S-1-5-)")))
        << name.toStdString();
    DWORD session = 0;
    ASSERT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &session));
    EXPECT_TRUE(name.endsWith(QStringLiteral("-%1").arg(session))) << name.toStdString();
    EXPECT_EQ(name, UserPipeName(QStringLiteral("vantrel")));
}

TEST(Win32Pipe, AnswersOneLineAfterAnotherOnTheEventLoop) {
    const QString name = TestPipeName("answers");
    EchoServer echo(name);
    ASSERT_NE(echo.server, nullptr);
    const struct {
        QByteArray sent;
        QByteArray answer;
    } cases[] = {
        {"first\n", "seen first"},
        {"second line\nand what follows it\n", "seen second line"},
        {"{\"command\": \"List\"}\n", "seen {\"command\": \"List\"}"},
        {"\n", "seen "},
    };
    for (const auto& exchange : cases) {
        QString error;
        const auto answer = Request(name, exchange.sent, &error);
        ASSERT_TRUE(answer.has_value())
            << exchange.sent.toStdString() << ": " << error.toStdString();
        EXPECT_EQ(*answer, exchange.answer);
    }
    EXPECT_EQ(echo.answered, 4);
}

TEST(Win32Pipe, AnAnswerLargerThanThePipesBufferArrivesWhole) {
    const QString name = TestPipeName("large");
    const QByteArray large(300 * 1024, 'x');
    const auto server = PipeServer::Listen(name, [&](const QByteArray&) { return large; });
    ASSERT_NE(server, nullptr);
    const auto answer = Request(name, "list\n");
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->size(), large.size());
    EXPECT_EQ(*answer, large);
}

TEST(Win32Pipe, OneServerHoldsTheNameUntilItIsGone) {
    const QString name = TestPipeName("taken");
    auto first = std::make_unique<EchoServer>(name);
    ASSERT_NE(first->server, nullptr);
    EXPECT_EQ(PipeServer::Listen(name, [](const QByteArray&) { return QByteArray(); }), nullptr);
    EXPECT_TRUE(WhileServing([&] { return PipeListening(name, 2000); }));
    first.reset();
    EXPECT_FALSE(PipeListening(name, 200));
    const EchoServer second(name);
    ASSERT_NE(second.server, nullptr);
    EXPECT_EQ(Request(name, "again\n"), QByteArray("seen again"));
}

TEST(Win32Pipe, NothingListeningIsReportedAtOnce) {
    const QString name = TestPipeName("nobody");
    EXPECT_FALSE(PipeListening(name, 2000));
    QString error;
    EXPECT_FALSE(PipeRequest(name, "hello\n", 2000, 2000, &error).has_value());
    EXPECT_FALSE(error.isEmpty());
}

TEST(Win32Pipe, ClientsThatSendNoLineAreDroppedAndTheNextIsAnswered) {
    const QString name = TestPipeName("dropped");
    EchoServer echo(name);
    ASSERT_NE(echo.server, nullptr);
    // A client that only looks (as CopyRunning does), one that leaves in the middle of a
    // line, and one whose line never ends within the limit.
    EXPECT_TRUE(WhileServing([&] { return PipeListening(name, 2000); }));
    EXPECT_FALSE(Request(name, "no end of line", nullptr, 1000).has_value());
    const QByteArray endless(PipeServer::kMaxRequestBytes + 8192, 'y');
    EXPECT_FALSE(Request(name, endless, nullptr, 5000).has_value());
    EXPECT_EQ(Request(name, "after them\n"), QByteArray("seen after them"));
    EXPECT_EQ(echo.answered, 1);
}

}  // namespace
