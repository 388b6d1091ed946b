// How the displays before a change map onto the displays after it.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/DisplayList.h"

// For each display of before, its index in after, or nothing when it has gone. A named
// display is found again by its name wherever it now is; an unnamed one keeps its index
// while that still exists. No two displays of before map to the same one of after.
std::vector<std::optional<std::size_t>> MatchDisplays(const std::vector<DisplayInfo>& before,
                                                      const std::vector<DisplayInfo>& after);
