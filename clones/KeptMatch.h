// Which window a kept clone shows once its own has gone and windows appear: the rule that
// brings a clone back to a restarted program's window and never to another program's.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/WindowList.h"

// The same program: the same WM_CLASS (or window class, or app id) and, where both are
// known, the same executable; without a class, the same executable. Windows of which
// neither is known belong to no program that could be told.
bool SameApplication(const WindowIdentity& a, const WindowIdentity& b);

// The candidate the kept window is now: of the same program, the first with the same title;
// else the only window of that program; else none (two or more, none of the title).
std::optional<std::size_t> MatchKeptWindow(const WindowIdentity& kept,
                                           const std::vector<WindowIdentity>& candidates);
