#include "tests/wayland/support/SharedPipeWire.h"

#include <memory>

WaylandTestSession& SharedPipeWireSession() {
    static const std::unique_ptr<WaylandTestSession> session =
        std::make_unique<WaylandTestSession>(SessionServers{.pipeWire = true, .sway = false});
    return *session;
}

PipeWireLoop& SharedPipeWireLoop() {
    SharedPipeWireSession();
    static const std::unique_ptr<PipeWireLoop> loop = std::make_unique<PipeWireLoop>();
    return *loop;
}

std::optional<RunningSource> StartTestSource(WaylandTestSession& session,
                                             const QStringList& arguments) {
    QProcess& process = session.Start(QStringLiteral(VANTREL_TEST_SOURCE), arguments);
    const std::optional<QString> node =
        WaylandTestSession::WaitForLine(process, QStringLiteral("node "), 10000);
    if (!node) {
        return std::nullopt;
    }
    return RunningSource{&process, node->toUInt()};
}
