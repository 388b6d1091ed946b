// What both soak runs share: the run's length, and the long-lived source windows (colour
// clients started before the program, so that they are the first rows of its list).
#pragma once

#include <QProcess>
#include <QSize>

#include <cstdint>
#include <memory>
#include <vector>

#include "tests/e2e/support/XvfbServer.h"

// A positive number from the first argument, else from the environment variable, else
// fallback: the length of a run, or a count.
int NumberArgument(int argc, char** argv, const char* envName, int fallback);

// The monitors of a soak run: the program's window on the first, the clones on the second.
std::vector<MonitorSpec> SoakMonitors();

struct SourceClient {
    std::unique_ptr<QProcess> process;
    std::uint32_t window = 0;
    int resizes = 0;
};

// Starts count colour clients titled "Soak source <k>" along the top of the screen and
// waits until each has mapped its window; empty when one did not come up.
std::vector<SourceClient> StartSources(const XvfbServer& server, int count);
// Switches the client between two sizes, so that its clones name a new pixmap.
void ResizeSource(SourceClient& source);
void EndSources(std::vector<SourceClient>& sources);

// Ends the sources when a run returns early.
struct EndSourcesAtExit {
    std::vector<SourceClient>& sources;
    ~EndSourcesAtExit() { EndSources(sources); }
};
