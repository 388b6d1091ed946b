// The command line's side of the local socket service.
#pragma once

#include <QString>

#include "remote/RemoteChannel.h"

class LocalSocketChannel : public RemoteChannel {
  public:
    explicit LocalSocketChannel(const QString& name, int callTimeoutMs = 25000);
    QString Unreachable() const override { return {}; }
    bool CopyRunning() const override;
    Outcome Send(const RemoteRequest& request) override;

  private:
    QString name_;
    int callTimeoutMs_;
};
