#include "remote/LineChannel.h"

#include <utility>

#include "remote/LocalSocketMessages.h"

namespace {

constexpr int kConnectTimeoutMs = 1000;

}  // namespace

LineChannel::LineChannel(LineTransport transport, const QString& name, int callTimeoutMs)
    : transport_(std::move(transport)), name_(name), callTimeoutMs_(callTimeoutMs) {}

bool LineChannel::CopyRunning() const {
    return transport_.listening(name_, kConnectTimeoutMs);
}

Outcome LineChannel::Send(const RemoteRequest& request) {
    QString error;
    const auto answer = transport_.request(name_, EncodeRequest(request), kConnectTimeoutMs,
                                           callTimeoutMs_, &error);
    if (!answer) {
        return Outcome::Failed(QStringLiteral("cannot reach the running copy: ") + error);
    }
    return DecodeOutcome(*answer);
}
