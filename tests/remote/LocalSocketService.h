// The running copy's side of the message lines over a local socket of the user, one request
// and one answer per connection (LocalSocketMessages.h): what the tests serve the messages
// and LineChannel with, where the Windows program has its named pipe.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include "remote/RemoteCommands.h"

class QLocalSocket;

class LocalSocketService : public QObject {
    Q_OBJECT

  public:
    // Listens under the name, reachable by this user only. The target must outlive this.
    LocalSocketService(RemoteTarget& target, const QString& name);
    // False when another copy listens under the name already, or listening failed.
    bool Registered() const { return server_.isListening(); }

  private:
    void Accept();
    void Answer(QLocalSocket* socket);

    RemoteTarget& target_;
    QLocalServer server_;
};
