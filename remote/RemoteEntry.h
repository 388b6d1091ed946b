// The command line's entry points, called by the composition root before anything else.
#pragma once

#include <QString>

#include <optional>

struct RemoteClientOptions {
    // The program a command starts when no copy runs; empty for this very program.
    QString programPath;
    // How long to wait for a started copy to answer.
    int startTimeoutMs = 15000;
};

// With no arguments: nothing, and the program starts as usual. With arguments: carries out
// the command line (--help, --version, or one command for the running copy, starting a copy
// first when none runs, except for --list and --quit) and returns the exit status: 0 done,
// 1 failed with a message on stderr, 2 bad usage. Makes its own QCoreApplication when none
// exists; the program must end after it returns a status.
std::optional<int> RunRemoteCommand(int argc, char** argv, const RemoteClientOptions& options = {});

// For a second start while a copy runs: asks that copy to bring its main window back,
// waiting up to waitMs for it to answer (it may still be starting). False when it cannot be
// reached (no session bus, or no answer); the caller then simply ends, as before.
bool ShowRunningCopy(int waitMs = 5000);
