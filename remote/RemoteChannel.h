// How the command line reaches the running copy: D-Bus on the session bus, or the user's
// local socket on Windows.
#pragma once

#include <QString>

#include "remote/RemoteCommands.h"

class RemoteChannel {
  public:
    virtual ~RemoteChannel() = default;
    // Why the running copy cannot be reached at all (no session bus); empty when it can.
    virtual QString Unreachable() const = 0;
    // True when a copy answers on the channel now.
    virtual bool CopyRunning() const = 0;
    // Sends one request and waits a bounded time for the answer.
    virtual Outcome Send(const RemoteRequest& request) = 0;
};
