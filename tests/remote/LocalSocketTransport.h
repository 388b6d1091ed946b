// The lines of LocalSocketMessages.h over a local socket of the user: the transport the tests
// give LineChannel in place of the Windows named pipe (same contract as Win32Pipe.h).
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include "remote/LineChannel.h"

// True when a server listens under the name (waiting up to timeoutMs to connect).
bool LocalSocketListening(const QString& name, int timeoutMs);

// Connects, writes the line and reads up to the first '\n'; nothing, with the reason in
// *error, when any of it fails.
std::optional<QByteArray> LocalSocketRequest(const QString& name, const QByteArray& line,
                                             int connectTimeoutMs, int answerTimeoutMs,
                                             QString* error);

// A channel to the local socket service under the name.
inline LineChannel LocalSocketChannel(const QString& name, int callTimeoutMs = 25000) {
    return LineChannel(LineTransport{LocalSocketListening, LocalSocketRequest}, name,
                       callTimeoutMs);
}
