// The messages between the command line and the running copy over a local socket (Linux
// tests) or the user's named pipe (Windows): one JSON object a line each way. A request
// {"command": "Clone", "window": "...", "display": 2, "natural": false, "pointer": true}
// (command named as on the D-Bus interface), an answer {"status": 0, "message": "..."}.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include "remote/RemoteCommands.h"

class QObject;

// The socket's name for the user running this process.
QString LocalSocketName();

QByteArray EncodeRequest(const RemoteRequest& request);
// Nothing for a line that is not a request.
std::optional<RemoteRequest> DecodeRequest(const QByteArray& line);

QByteArray EncodeOutcome(const Outcome& outcome);
// A failure saying so for a line that is not an answer.
Outcome DecodeOutcome(const QByteArray& line);

// The running copy's answer line to one request line: the request carried out on the target,
// or a failure for a line that is not one. Quit is answered at once and carried out from the
// event loop (queued on context), so the answer is out before the program ends.
QByteArray AnswerRequestLine(RemoteTarget& target, const QByteArray& line, QObject* context);
