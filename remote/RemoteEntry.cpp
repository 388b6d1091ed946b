#include "remote/RemoteEntry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include <cstdio>
#include <memory>

#include "remote/CommandLine.h"
#include "remote/RemoteChannel.h"

#ifdef _WIN32
#include "platform/win32/Win32Pipe.h"
#include "remote/LineChannel.h"
#include "remote/PipeService.h"
#else
#include "remote/DBusChannel.h"
#endif

namespace {

constexpr int kPollMs = 50;

// The way to the running copy: the user's named pipe on Windows, D-Bus elsewhere.
std::unique_ptr<RemoteChannel> MakeChannel() {
#ifdef _WIN32
    return std::make_unique<LineChannel>(LineTransport{PipeListening, PipeRequest},
                                         RemotePipeName());
#else
    return DBusChannel::OwnSessionConnection();
#endif
}

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int Fail(const QString& why) {
    Print(stderr, QStringLiteral("vantrel: ") + why + u'\n');
    return 1;
}

bool WaitForCopy(const RemoteChannel& channel, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!channel.CopyRunning()) {
        if (clock.elapsed() >= timeoutMs) {
            return false;
        }
        QThread::msleep(kPollMs);
    }
    return true;
}

// Starts a copy with no arguments, detached, and waits for it to answer.
QString StartCopy(const RemoteChannel& channel, const RemoteClientOptions& options) {
    const QString program = options.programPath.isEmpty() ? QCoreApplication::applicationFilePath()
                                                          : options.programPath;
    // The copy outlives this command: it must not hold the command's output open, or
    // "$(vantrel --show)" in a script would wait for the copy to end.
    QProcess copy;
    copy.setProgram(program);
    copy.setStandardInputFile(QProcess::nullDevice());
    copy.setStandardOutputFile(QProcess::nullDevice());
    copy.setStandardErrorFile(QProcess::nullDevice());
    if (!copy.startDetached()) {
        return QStringLiteral("no copy of Vantrel is running, and starting %1 failed").arg(program);
    }
    if (!WaitForCopy(channel, options.startTimeoutMs)) {
        return QStringLiteral("started %1, but it did not answer within %2 s")
            .arg(program, QString::number(options.startTimeoutMs / 1000));
    }
    return {};
}

int SendCommand(const RemoteRequest& request, const RemoteClientOptions& options) {
    const std::unique_ptr<RemoteChannel> channel = MakeChannel();
    if (const QString why = channel->Unreachable(); !why.isEmpty()) {
        return Fail(why);
    }
    if (!channel->CopyRunning()) {
        if (request.command == RemoteCommand::List || request.command == RemoteCommand::Quit) {
            return Fail(QStringLiteral("no copy of Vantrel is running"));
        }
        if (const QString why = StartCopy(*channel, options); !why.isEmpty()) {
            return Fail(why);
        }
    }
    const Outcome outcome = channel->Send(request);
    if (!outcome.Succeeded()) {
        return Fail(outcome.message);
    }
    Print(stdout, outcome.message);
    return 0;
}

int CarryOut(const ParsedCommandLine& parsed, const RemoteClientOptions& options) {
    switch (parsed.kind) {
        case ParsedCommandLine::Kind::Help:
            Print(stdout, parsed.text);
            return 0;
        case ParsedCommandLine::Kind::Version:
            Print(stdout, QStringLiteral("vantrel %1\n").arg(QStringLiteral(VANTREL_VERSION)));
            return 0;
        case ParsedCommandLine::Kind::Usage:
            Print(stderr, QStringLiteral("vantrel: %1\nTry 'vantrel --help'.\n").arg(parsed.text));
            return kUsageExitCode;
        case ParsedCommandLine::Kind::Command:
            return SendCommand(parsed.request, options);
        case ParsedCommandLine::Kind::Start:
            break;
    }
    return 0;
}

// The arguments as the user gave them, without making an application object.
QStringList ArgumentList(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    return arguments;
}

// Runs body with an application object: the one that exists, or one made for the call.
template <typename Body>
auto WithApplication(char* programName, Body body) {
    if (QCoreApplication::instance() != nullptr) {
        return body();
    }
    int applicationArgc = 1;
    char* applicationArgv[] = {programName, nullptr};
    const QCoreApplication application(applicationArgc, applicationArgv);
    return body();
}

}  // namespace

std::optional<int> RunRemoteCommand(int argc, char** argv, const RemoteClientOptions& options) {
    if (argc <= 1) {
        return std::nullopt;
    }
    const ParsedCommandLine parsed = ParseCommandLine(ArgumentList(argc, argv));
    return WithApplication(argv[0], [&] { return CarryOut(parsed, options); });
}

bool ShowRunningCopy(int waitMs) {
    char programName[] = "vantrel";
    return WithApplication(programName, [&] {
        const std::unique_ptr<RemoteChannel> channel = MakeChannel();
        return channel->Unreachable().isEmpty() && WaitForCopy(*channel, waitMs) &&
               channel->Send(MakeRequest(RemoteCommand::Show)).Succeeded();
    });
}
