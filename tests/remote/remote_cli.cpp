// The command line as the program runs it, for the tests: a command is carried out and
// ends the process; with no arguments this stands for a second start of the program, whose
// guard says another copy runs, and exits 0 when that copy was asked to show itself, 3 when
// it could not be reached. REMOTE_TEST_COPY names the program a command starts when no copy
// runs; REMOTE_TEST_START_MS bounds the wait for it.
#include <QString>

#include "remote/RemoteEntry.h"

int main(int argc, char** argv) {
    RemoteClientOptions options;
    options.programPath = qEnvironmentVariable("REMOTE_TEST_COPY");
    bool ok = false;
    const int startMs = qEnvironmentVariableIntValue("REMOTE_TEST_START_MS", &ok);
    if (ok) {
        options.startTimeoutMs = startMs;
    }
    if (const auto exitCode = RunRemoteCommand(argc, argv, options)) {
        return *exitCode;
    }
    return ShowRunningCopy(2000) ? 0 : 3;
}
