#include "remote/PipeChannel.h"

#include "platform/win32/Win32Pipe.h"
#include "remote/LocalSocketMessages.h"

namespace {

constexpr int kConnectTimeoutMs = 1000;

}  // namespace

PipeChannel::PipeChannel(const QString& name, int callTimeoutMs)
    : name_(name), callTimeoutMs_(callTimeoutMs) {}

bool PipeChannel::CopyRunning() const {
    return PipeListening(name_, kConnectTimeoutMs);
}

Outcome PipeChannel::Send(const RemoteRequest& request) {
    QString error;
    const auto answer =
        PipeRequest(name_, EncodeRequest(request), kConnectTimeoutMs, callTimeoutMs_, &error);
    if (!answer) {
        return Outcome::Failed(QStringLiteral("cannot reach the running copy: ") + error);
    }
    return DecodeOutcome(*answer);
}
