// The running copy's side: made by the composition root once the main window exists, it
// answers scripts for as long as it lives (D-Bus on the session bus; a named pipe of the
// user on Windows).
#pragma once

#include <memory>

#include "remote/RemoteTarget.h"

class QObject;

class RemoteServer {
  public:
    // The target must outlive the server.
    explicit RemoteServer(RemoteTarget& target);
    ~RemoteServer();
    RemoteServer(const RemoteServer&) = delete;
    RemoteServer& operator=(const RemoteServer&) = delete;

    // False when scripts cannot reach this copy: no session bus, or the name is taken.
    bool Listening() const { return listening_; }

  private:
    std::unique_ptr<QObject> service_;
    bool listening_ = false;
};
