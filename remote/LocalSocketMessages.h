// The messages on the Windows local socket: one JSON object a line each way. A request
// {"command": "Clone", "window": "...", "display": 2, "natural": false, "pointer": true}
// (command named as on the D-Bus interface), an answer {"status": 0, "message": "..."}.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include "remote/RemoteCommands.h"

// The socket's name for the user running this process.
QString LocalSocketName();

QByteArray EncodeRequest(const RemoteRequest& request);
// Nothing for a line that is not a request.
std::optional<RemoteRequest> DecodeRequest(const QByteArray& line);

QByteArray EncodeOutcome(const Outcome& outcome);
// A failure saying so for a line that is not an answer.
Outcome DecodeOutcome(const QByteArray& line);
