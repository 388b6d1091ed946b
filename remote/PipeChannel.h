// The command line's side of the running copy's named pipe on Windows (PipeService.h).
#pragma once

#include <QString>

#include "remote/RemoteChannel.h"

class PipeChannel : public RemoteChannel {
  public:
    explicit PipeChannel(const QString& name, int callTimeoutMs = 25000);
    QString Unreachable() const override { return {}; }
    bool CopyRunning() const override;
    Outcome Send(const RemoteRequest& request) override;

  private:
    QString name_;
    int callTimeoutMs_;
};
