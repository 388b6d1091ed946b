#include "platform/win32/Win32Pipe.h"

#include <QDeadlineTimer>
#include <QWinEventNotifier>

#include <windows.h>

#include <sddl.h>

#include <algorithm>
#include <array>
#include <vector>

#ifndef PIPE_REJECT_REMOTE_CLIENTS
#define PIPE_REJECT_REMOTE_CLIENTS 0x00000008
#endif

namespace {

constexpr DWORD kPipeBufferBytes = 64 * 1024;
// How long a closing server waits for a client to take an answer already written.
constexpr DWORD kDrainOnCloseMs = 2000;

std::wstring Wide(const QString& text) {
    return text.toStdWString();
}

// Closes a handle when it goes out of scope.
struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
};

// The string form of the user a process token belongs to; empty when it cannot be read.
QString TokenUserSid(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) {
        return {};
    }
    const HandleCloser closer{token};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        return {};
    }
    wchar_t* text = nullptr;
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    if (!ConvertSidToStringSidW(user->User.Sid, &text)) {
        return {};
    }
    const QString sid = QString::fromWCharArray(text);
    LocalFree(text);
    return sid;
}

// True when the process serving the pipe runs as this process's user: a pipe of that name
// made first by someone else must not receive this user's commands.
bool ServedByThisUser(HANDLE pipe) {
    ULONG serverId = 0;
    if (!GetNamedPipeServerProcessId(pipe, &serverId)) {
        return false;
    }
    const HandleCloser server{OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverId)};
    if (server.handle == nullptr) {
        return false;
    }
    const QString serverUser = TokenUserSid(server.handle);
    return !serverUser.isEmpty() && serverUser == TokenUserSid(GetCurrentProcess());
}

// Waits for an overlapped operation on handle; cancels it when it does not end in time.
// True when it ended well; *bytes is what it moved.
bool FinishIo(HANDLE handle, OVERLAPPED& overlapped, DWORD timeoutMs, DWORD* bytes) {
    if (WaitForSingleObject(overlapped.hEvent, timeoutMs) != WAIT_OBJECT_0) {
        CancelIo(handle);
        GetOverlappedResult(handle, &overlapped, bytes, TRUE);
        return false;
    }
    return GetOverlappedResult(handle, &overlapped, bytes, FALSE) != FALSE;
}

// Starts an overlapped operation (the result of ReadFile, WriteFile...) and waits for it.
bool RunIo(BOOL started, HANDLE handle, OVERLAPPED& overlapped, DWORD timeoutMs, DWORD* bytes) {
    if (!started && GetLastError() != ERROR_IO_PENDING) {
        return false;
    }
    return FinishIo(handle, overlapped, timeoutMs, bytes);
}

DWORD Remaining(const QDeadlineTimer& deadline) {
    return static_cast<DWORD>(std::max<qint64>(deadline.remainingTime(), 0));
}

// The client's end of the pipe, or INVALID_HANDLE_VALUE with the reason in *error.
HANDLE OpenClientEnd(const QString& name, int timeoutMs, QString* error) {
    const std::wstring wideName = Wide(name);
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        HANDLE pipe = CreateFileW(wideName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            if (ServedByThisUser(pipe)) {
                return pipe;
            }
            CloseHandle(pipe);
            *error = QStringLiteral("%1 is served by another user").arg(name);
            return INVALID_HANDLE_VALUE;
        }
        const DWORD failure = GetLastError();
        if (failure != ERROR_PIPE_BUSY || deadline.hasExpired()) {
            *error =
                failure == ERROR_PIPE_BUSY
                    ? QStringLiteral("the running copy is busy")
                    : QStringLiteral("nothing listens on %1 (error %2)").arg(name).arg(failure);
            return INVALID_HANDLE_VALUE;
        }
        // Busy with another client: wait until an instance is free again.
        if (!WaitNamedPipeW(wideName.c_str(), std::max<DWORD>(Remaining(deadline), 1))) {
            Sleep(10);
        }
    }
}

}  // namespace

QString UserPipeName(const QString& base) {
    QString user = TokenUserSid(GetCurrentProcess());
    if (user.isEmpty()) {
        user = qEnvironmentVariable("USERNAME");
    }
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return QStringLiteral(R"(\\.\pipe\%1-%2-%3)").arg(base, user).arg(session);
}

bool PipeListening(const QString& name, int timeoutMs) {
    QString error;
    const HandleCloser pipe{OpenClientEnd(name, timeoutMs, &error)};
    return pipe.handle != INVALID_HANDLE_VALUE;
}

std::optional<QByteArray> PipeRequest(const QString& name, const QByteArray& line,
                                      int connectTimeoutMs, int answerTimeoutMs, QString* error) {
    const HandleCloser pipe{OpenClientEnd(name, connectTimeoutMs, error)};
    if (pipe.handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    const HandleCloser event{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    if (event.handle == nullptr) {
        *error = QStringLiteral("cannot make an event (error %1)").arg(GetLastError());
        return std::nullopt;
    }
    const QDeadlineTimer deadline(answerTimeoutMs);
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.handle;
    DWORD moved = 0;
    const BOOL writing = WriteFile(pipe.handle, line.constData(), static_cast<DWORD>(line.size()),
                                   nullptr, &overlapped);
    if (!RunIo(writing, pipe.handle, overlapped, Remaining(deadline), &moved) ||
        moved != static_cast<DWORD>(line.size())) {
        *error = QStringLiteral("cannot send the request (error %1)").arg(GetLastError());
        return std::nullopt;
    }
    QByteArray answer;
    std::array<char, 4096> chunk{};
    while (!answer.contains('\n')) {
        overlapped = OVERLAPPED{};
        overlapped.hEvent = event.handle;
        const BOOL reading = ReadFile(pipe.handle, chunk.data(), static_cast<DWORD>(chunk.size()),
                                      nullptr, &overlapped);
        if (!RunIo(reading, pipe.handle, overlapped, Remaining(deadline), &moved)) {
            break;  // the server closed its end, or time ran out
        }
        answer.append(chunk.data(), static_cast<qsizetype>(moved));
    }
    if (!answer.contains('\n')) {
        *error = QStringLiteral("no answer came back");
        return std::nullopt;
    }
    return answer.left(answer.indexOf('\n'));
}

// The server's one pipe instance, going round: connect, read a line, write the answer, wait
// for the client to close its end, disconnect, connect again. Each step is one overlapped
// operation whose end signals event; the notifier brings that into the event loop.
struct PipeServer::State {
    enum class Step { Connecting, Reading, Writing, Draining };

    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
    OVERLAPPED overlapped{};
    Step step = Step::Connecting;
    bool pending = false;
    Handler handler;
    QByteArray request;
    QByteArray answer;
    qsizetype written = 0;
    std::array<char, 4096> chunk{};
    std::unique_ptr<QWinEventNotifier> notifier;

    bool Started(BOOL result) {
        pending = result != FALSE || GetLastError() == ERROR_IO_PENDING;
        return pending;
    }
    void Begin() {
        ResetEvent(event);
        overlapped = OVERLAPPED{};
        overlapped.hEvent = event;
    }
    // A client that came and went before the call leaves the instance to be disconnected
    // first (ERROR_NO_DATA): one more try then. After that the server stops answering.
    void Connect(bool retry = true) {
        request.clear();
        answer.clear();
        written = 0;
        step = Step::Connecting;
        Begin();
        if (ConnectNamedPipe(pipe, &overlapped)) {
            pending = true;
            return;
        }
        const DWORD failure = GetLastError();
        pending = failure == ERROR_IO_PENDING;
        if (failure == ERROR_PIPE_CONNECTED) {
            Read();  // a client came between the disconnect and this call
        } else if (!pending && retry) {
            DisconnectNamedPipe(pipe);
            Connect(false);
        }
    }
    void Restart() {
        DisconnectNamedPipe(pipe);
        Connect();
    }
    // Reading the request, or (Draining) waiting for the client to close its end: its read
    // of the answer is done then, and closing ours first would throw away what it has not
    // read yet.
    void Read(Step reading = Step::Reading) {
        step = reading;
        Begin();
        if (!Started(ReadFile(pipe, chunk.data(), static_cast<DWORD>(chunk.size()), nullptr,
                              &overlapped))) {
            Restart();
        }
    }
    void Write() {
        step = Step::Writing;
        Begin();
        if (!Started(WriteFile(pipe, answer.constData() + written,
                               static_cast<DWORD>(answer.size() - written), nullptr,
                               &overlapped))) {
            Restart();
        }
    }
    void Received(DWORD bytes) {
        request.append(chunk.data(), static_cast<qsizetype>(bytes));
        const qsizetype end = request.indexOf('\n');
        if (end < 0) {
            request.size() > kMaxRequestBytes ? Restart() : Read();
            return;
        }
        answer = handler(request.left(end));
        if (!answer.endsWith('\n')) {
            answer.append('\n');
        }
        Write();
    }
    void Signalled() {
        DWORD bytes = 0;
        const bool ended = GetOverlappedResult(pipe, &overlapped, &bytes, FALSE) != FALSE;
        if (!ended && GetLastError() == ERROR_IO_INCOMPLETE) {
            return;  // not this operation's end
        }
        pending = false;
        if (!ended || step == Step::Draining) {
            Restart();
            return;
        }
        switch (step) {
            case Step::Connecting:
                Read();
                break;
            case Step::Reading:
                Received(bytes);
                break;
            case Step::Writing:
                written += bytes;
                written < answer.size() ? Write() : Read(Step::Draining);
                break;
            case Step::Draining:
                break;
        }
    }
    // Lets a client finish reading an answer already under way, then stops every operation.
    void Close() {
        if (pending && (step == Step::Writing || step == Step::Draining)) {
            DWORD bytes = 0;
            if (FinishIo(pipe, overlapped, kDrainOnCloseMs, &bytes) && step == Step::Writing &&
                written + static_cast<qsizetype>(bytes) >= answer.size()) {
                Read(Step::Draining);
                FinishIo(pipe, overlapped, kDrainOnCloseMs, &bytes);
            }
            pending = false;
        }
        if (pending) {
            DWORD bytes = 0;
            CancelIo(pipe);
            GetOverlappedResult(pipe, &overlapped, &bytes, TRUE);
        }
        CloseHandle(pipe);
        CloseHandle(event);
    }
};

std::unique_ptr<PipeServer> PipeServer::Listen(const QString& name, Handler handler) {
    auto state = std::make_unique<State>();
    // One instance, and only if no other server has the name: nobody else can slip in
    // under it while this copy runs.
    state->pipe = CreateNamedPipeW(
        Wide(name).c_str(),
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
        kPipeBufferBytes, kPipeBufferBytes, 0, nullptr);
    if (state->pipe == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    state->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (state->event == nullptr) {
        CloseHandle(state->pipe);
        return nullptr;
    }
    state->handler = std::move(handler);
    state->notifier = std::make_unique<QWinEventNotifier>(state->event);
    State* raw = state.get();
    QObject::connect(state->notifier.get(), &QWinEventNotifier::activated, state->notifier.get(),
                     [raw] { raw->Signalled(); });
    state->Connect();
    return std::unique_ptr<PipeServer>(new PipeServer(std::move(state)));
}

PipeServer::PipeServer(std::unique_ptr<State> state) : state_(std::move(state)) {}

PipeServer::~PipeServer() {
    state_->notifier.reset();
    state_->Close();
}
