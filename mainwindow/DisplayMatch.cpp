#include "mainwindow/DisplayMatch.h"

namespace {

std::optional<std::size_t> FindByName(const QString& name, const std::vector<DisplayInfo>& after,
                                      const std::vector<bool>& taken) {
    for (std::size_t j = 0; j < after.size(); ++j) {
        if (!taken[j] && after[j].name == name) {
            return j;
        }
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::optional<std::size_t>> MatchDisplays(const std::vector<DisplayInfo>& before,
                                                      const std::vector<DisplayInfo>& after) {
    std::vector<std::optional<std::size_t>> moved(before.size());
    std::vector<bool> taken(after.size(), false);
    // Names first, so an unnamed display cannot take the place a named one moved to.
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!before[i].name.isEmpty()) {
            moved[i] = FindByName(before[i].name, after, taken);
            if (moved[i]) {
                taken[*moved[i]] = true;
            }
        }
    }
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i].name.isEmpty() && i < after.size() && !taken[i] && after[i].name.isEmpty()) {
            moved[i] = i;
            taken[i] = true;
        }
    }
    return moved;
}
