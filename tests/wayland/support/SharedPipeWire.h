// One private session bus and PipeWire instance for all tests of a test program, with a
// test video source running in it.
#pragma once

#include <QProcess>

#include <cstdint>
#include <optional>

#include "platform/wayland/PipeWireLoop.h"
#include "tests/wayland/support/WaylandTestSession.h"

WaylandTestSession& SharedPipeWireSession();
// The loop the tests' consumers run on (made after the session set the environment).
PipeWireLoop& SharedPipeWireLoop();

struct RunningSource {
    QProcess* process = nullptr;
    std::uint32_t nodeId = 0;
};
// Starts tests/wayland's video source with the given arguments; nothing when it gives no
// node within a few seconds.
std::optional<RunningSource> StartTestSource(WaylandTestSession& session,
                                             const QStringList& arguments = {});
