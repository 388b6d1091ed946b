// The running copy's service on Windows: the user's named pipe in this logon session, one
// request and one answer per connection (LocalSocketMessages.h), answered on the main thread
// without blocking its event loop.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "remote/RemoteTarget.h"

class PipeServer;

class PipeService : public QObject {
  public:
    // Listens under the name. The target must outlive this.
    PipeService(RemoteTarget& target, const QString& name);
    ~PipeService() override;
    // False when another copy has the name already, or the pipe could not be made.
    bool Registered() const { return server_ != nullptr; }

  private:
    RemoteTarget& target_;
    std::unique_ptr<PipeServer> server_;
};

// The pipe's name for the user running this process, in this logon session.
QString RemotePipeName();
