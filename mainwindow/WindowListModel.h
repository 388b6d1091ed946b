// The main window's list as data: which windows have rows and under which titles, and what
// a fresh snapshot of the desktop changes about that. No widgets.
#pragma once

#include <QString>

#include <cstddef>
#include <vector>

#include "platform/WindowList.h"

// Titles are shown up to this many UTF-16 units; a surrogate pair that would be cut in half
// is left out whole.
inline constexpr int kMaxTitleLength = 511;

struct RowTitle {
    std::size_t row = 0;
    QString title;
    friend bool operator==(const RowTitle&, const RowTitle&) = default;
};

// Applied in this order, the changes turn the old rows into the new ones.
struct ListChanges {
    std::vector<std::size_t> removed;  // positions of rows that go, last first
    std::vector<RowTitle> retitled;    // positions (once the others went) and new titles
    std::vector<ListedWindow> added;   // new rows, appended in this order
};

class WindowListModel {
  public:
    // Follows snapshot and tells what changed: rows of windows no longer listed go; the
    // others take their window's current title; windows new to the list get rows at the
    // end, in snapshot order, once they have a title that is more than white space (an
    // untitled one is looked at again at the next update). A window listed twice gets one row,
    // titled by its first listing.
    ListChanges Update(const std::vector<ListedWindow>& snapshot);

    const std::vector<ListedWindow>& Rows() const { return rows_; }
    void Clear() { rows_.clear(); }

  private:
    std::vector<ListedWindow> rows_;
};
