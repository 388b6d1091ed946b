// The command line's side of the D-Bus service: calls on the session bus.
#pragma once

#include <QDBusConnection>

#include "remote/RemoteChannel.h"

class DBusChannel : public RemoteChannel {
  public:
    explicit DBusChannel(const QDBusConnection& connection, int callTimeoutMs = 25000);
    QString Unreachable() const override;
    bool CopyRunning() const override;
    Outcome Send(const RemoteRequest& request) override;

  private:
    QDBusConnection connection_;
    int callTimeoutMs_;
};
