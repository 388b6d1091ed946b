// The kept clones on disk: a small versioned JSON file in the user's configuration folder,
// replaced whole (written beside it, then renamed over it) so it is never half written.
#pragma once

#include <QString>

#include <vector>

#include "clones/CloneSet.h"

// The version this program writes; a file of a later one is set aside, not read.
inline constexpr int kKeptClonesVersion = 2;

struct KeptLoad {
    std::vector<KeptClone> kept;
    // One line for the user when the file could not be used and was set aside.
    QString problem;
};

// Where the kept clones are saved: "kept-clones.json" in the program's configuration folder.
QString KeptClonesPath();

// Reads the file. None: nothing kept. Unreadable, corrupt or from a later version: it is
// renamed aside (to the name with ".unreadable" or ".newer", and a number when that exists)
// and nothing is kept; problem says so.
KeptLoad LoadKeptClones(const QString& path);

// Writes the file, its folder made when missing; the reason when that failed.
QString SaveKeptClones(const QString& path, const std::vector<KeptClone>& kept);

// Saves one copy's changes when other copies of the program (one per X server of the user)
// share the file: what was kept or forgotten since `base` (what this copy last read or
// saved) is applied to the file as it is now, under a lock file beside it, so a change
// another copy made in between stays. Not saved when the lock or the file failed; the file
// is then as it was.
struct KeptMerge {
    bool saved = false;
    // One line for the user: why it was not saved, or that the file found was set aside.
    QString problem;
};
KeptMerge MergeKeptClones(const QString& path, const std::vector<KeptClone>& base,
                          const std::vector<KeptClone>& kept);
