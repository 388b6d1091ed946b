// The command line's side of the D-Bus service: calls on the session bus.
#pragma once

#include <QDBusConnection>

#include <memory>

#include "remote/RemoteChannel.h"

class DBusChannel : public RemoteChannel {
  public:
    explicit DBusChannel(const QDBusConnection& connection, int callTimeoutMs = 25000);
    // A channel on a session bus connection of its own, closed with the channel: nothing
    // of the bus is left to arrive while the process ends.
    static std::unique_ptr<DBusChannel> OwnSessionConnection();
    ~DBusChannel() override;
    DBusChannel(const DBusChannel&) = delete;
    DBusChannel& operator=(const DBusChannel&) = delete;
    QString Unreachable() const override;
    bool CopyRunning() const override;
    Outcome Send(const RemoteRequest& request) override;

  private:
    QDBusConnection connection_;
    int callTimeoutMs_;
    bool owned_ = false;
};
