#include "clones/KeptMatch.h"

bool SameApplication(const WindowIdentity& a, const WindowIdentity& b) {
    const bool classKnown = !a.windowClass.isEmpty() || !b.windowClass.isEmpty();
    if (classKnown && (a.windowClass != b.windowClass || a.instance != b.instance)) {
        return false;
    }
    if (!a.executable.isEmpty() && !b.executable.isEmpty()) {
        return a.executable == b.executable;
    }
    return classKnown;
}

std::optional<std::size_t> MatchKeptWindow(const WindowIdentity& kept,
                                           const std::vector<WindowIdentity>& candidates) {
    std::optional<std::size_t> only;
    int sameProgram = 0;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (!SameApplication(kept, candidates[i])) {
            continue;
        }
        if (candidates[i].title == kept.title) {
            return i;
        }
        ++sameProgram;
        only = i;
    }
    return sameProgram == 1 ? only : std::nullopt;
}
