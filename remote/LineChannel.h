// The command line's side of a service that takes one request line and gives one answer line
// per connection (LocalSocketMessages.h): the running copy's named pipe on Windows, a local
// socket in the tests. The transport carries the bytes; this turns them into an outcome.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

#include "remote/RemoteChannel.h"

struct LineTransport {
    // True when a server listens under the name (waiting up to timeoutMs while it is busy).
    std::function<bool(const QString& name, int timeoutMs)> listening;
    // Connects (up to connectTimeoutMs), writes the line and reads the answer line for at
    // most answerTimeoutMs. Nothing, with the reason in *error, when any of it fails.
    std::function<std::optional<QByteArray>(const QString& name, const QByteArray& line,
                                            int connectTimeoutMs, int answerTimeoutMs,
                                            QString* error)>
        request;
};

class LineChannel : public RemoteChannel {
  public:
    LineChannel(LineTransport transport, const QString& name, int callTimeoutMs = 25000);
    QString Unreachable() const override { return {}; }
    bool CopyRunning() const override;
    Outcome Send(const RemoteRequest& request) override;

  private:
    LineTransport transport_;
    QString name_;
    int callTimeoutMs_;
};
