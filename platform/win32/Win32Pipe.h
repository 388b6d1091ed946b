// A named pipe of the user in this logon session, carrying one request line and one answer
// line per connection: how scripts reach the running copy on Windows. The server runs on
// the thread that made it (overlapped I/O signalled through the event loop), so it never
// blocks that loop; the client side waits a bounded time. Names no Windows type.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// \\.\pipe\<base>-<the user's SID>-<the logon session's id>: pipe names are machine-wide,
// so both the user and the session are part of it.
QString UserPipeName(const QString& base);

// True when a server listens under the name (waiting up to timeoutMs while it is busy with
// another client).
bool PipeListening(const QString& name, int timeoutMs);

// Connects (up to connectTimeoutMs), writes the line and reads up to the first '\n' or the
// end, for at most answerTimeoutMs. Nothing, with the reason in *error, when any of it fails.
std::optional<QByteArray> PipeRequest(const QString& name, const QByteArray& line,
                                      int connectTimeoutMs, int answerTimeoutMs, QString* error);

class PipeServer {
  public:
    // Gets one request line (without its '\n') and gives the answer line to send back.
    using Handler = std::function<QByteArray(const QByteArray& request)>;

    // Null when the name is taken (another server has it) or the pipe cannot be made.
    static std::unique_ptr<PipeServer> Listen(const QString& name, Handler handler);
    ~PipeServer();
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // A request line longer than this is not one: the connection is dropped.
    static constexpr int kMaxRequestBytes = 64 * 1024;

    struct State;

  private:
    explicit PipeServer(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};
