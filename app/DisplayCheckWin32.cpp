// Before the toolkit starts on Windows: the toolkit's own platform always has a desktop to
// run on, so there is nothing to choose and nothing to check.
#include "app/Startup.h"

void ChooseToolkitPlatform() {}

std::optional<std::string> DisplayProblem() {
    return std::nullopt;
}

void WatchDisplayConnection() {}
