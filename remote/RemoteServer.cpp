#include "remote/RemoteServer.h"

#include <QObject>

#if defined(VANTREL_REMOTE_NO_CHANNEL)
// A build without a channel to the running copy (Windows without Qt Network).
#elif defined(_WIN32)
#include "remote/LocalSocketMessages.h"
#include "remote/LocalSocketService.h"
#else
#include "remote/DBusService.h"
#endif

#if defined(VANTREL_REMOTE_NO_CHANNEL)

// Nothing to listen on: scripts cannot reach this copy.
RemoteServer::RemoteServer(RemoteTarget& /*target*/) {}

#else

RemoteServer::RemoteServer(RemoteTarget& target) {
#ifdef _WIN32
    auto service = std::make_unique<LocalSocketService>(target, LocalSocketName());
#else
    auto service = std::make_unique<DBusService>(target, QDBusConnection::sessionBus());
#endif
    listening_ = service->Registered();
    service_ = std::move(service);
}

#endif

RemoteServer::~RemoteServer() = default;
