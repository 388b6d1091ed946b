// What both soak runs share: the run's length, and the long-lived source windows (colour
// clients started before the program, so that they are the first rows of its list).
#pragma once

#include <QProcess>
#include <QSize>

#include <cstdint>
#include <memory>
#include <vector>

#include "tests/e2e/support/TestDesktop.h"

// A positive number from the first argument, else from the environment variable, else
// fallback: the length of a run, or a count.
int NumberArgument(int argc, char** argv, const char* envName, int fallback);

// The desktop of a soak run: the program's window on the first monitor, the clones on the
// second.
DesktopOptions SoakDesktop();

struct SourceClient {
    // Owned by the desktop; ended early by EndSources.
    TestProgram* program = nullptr;
    QProcess* process = nullptr;
    std::uint32_t window = 0;
    int resizes = 0;
};

// Starts count colour clients titled "Soak source <k>" along the top of the screen and
// waits until each has mapped its window; empty when one did not come up.
std::vector<SourceClient> StartSources(TestDesktop& desktop, int count);
// Switches the client between two sizes, so that its clones name a new pixmap.
void ResizeSource(SourceClient& source);
void EndSources(std::vector<SourceClient>& sources);

// Ends the sources when a run returns early.
struct EndSourcesAtExit {
    std::vector<SourceClient>& sources;
    ~EndSourcesAtExit() { EndSources(sources); }
};
