#include "mainwindow/WindowListModel.h"

#include <unordered_map>
#include <unordered_set>

namespace {

// The title as a row shows it: its first kMaxTitleLength UTF-16 units, less the high half of
// a surrogate pair whose low half did not fit (a lone half would show as a broken glyph).
QString ShownTitle(const QString& title) {
    if (title.size() <= kMaxTitleLength) {
        return title;
    }
    const qsizetype kept =
        title[kMaxTitleLength - 1].isHighSurrogate() ? kMaxTitleLength - 1 : kMaxTitleLength;
    return title.left(kept);
}

// The first title of every listed window. Matching goes through hash maps so an update
// stays linear in the number of windows (with thousands listed, searching the lists was
// most of a refresh's cost).
std::unordered_map<WindowHandle, QString> TitlesByHandle(const std::vector<ListedWindow>& list) {
    std::unordered_map<WindowHandle, QString> titles;
    titles.reserve(list.size());
    for (const ListedWindow& window : list) {
        titles.try_emplace(window.handle, ShownTitle(window.title));
    }
    return titles;
}

}  // namespace

ListChanges WindowListModel::Update(const std::vector<ListedWindow>& snapshot) {
    const std::unordered_map<WindowHandle, QString> listed = TitlesByHandle(snapshot);
    ListChanges changes;
    // Walking backwards keeps the positions of the rows still to visit.
    for (std::size_t i = rows_.size(); i-- > 0;) {
        if (!listed.contains(rows_[i].handle)) {
            changes.removed.push_back(i);
            rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const QString& title = listed.at(rows_[i].handle);
        if (title != rows_[i].title) {
            rows_[i].title = title;
            changes.retitled.push_back({i, title});
        }
    }
    std::unordered_set<WindowHandle> rowed;
    rowed.reserve(rows_.size() + snapshot.size());
    for (const ListedWindow& row : rows_) {
        rowed.insert(row.handle);
    }
    for (const ListedWindow& window : snapshot) {
        const QString title = ShownTitle(window.title);
        // A title of nothing but white space reads as no title: such a row would look empty.
        if (title.trimmed().isEmpty() || rowed.contains(window.handle)) {
            continue;
        }
        rowed.insert(window.handle);
        rows_.push_back({window.handle, title});
        changes.added.push_back(rows_.back());
    }
    return changes;
}
