// The clone windows on the desktop, one for each clone the CloneSet holds: opened, given
// their mode, crop and turn, moved and closed as the set tells. A click on a clone asks the set.
#pragma once

#include <QObject>
#include <QPointer>

#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "clone/CloneForm.h"
#include "clones/CloneSet.h"

class Compositor;
class DisplayList;
class SystemServices;
class WindowList;

// What a clone window needs.
struct CloneServices {
    Compositor& compositor;
    DisplayList& displays;
    SystemServices& system;
    // Clones go full screen on their display's named screen (Wayland) instead of taking
    // its geometry.
    bool byScreen = false;
    // What the desktop says of windows, for kept clones; none: only their titles are known.
    WindowList* windows = nullptr;
};

class CloneWindows {
  public:
    // mainWindow keeps the activation when a clone appears. All must outlive this.
    CloneWindows(CloneSet& clones, const CloneServices& services, QWidget* mainWindow);
    // Closes the windows left.
    ~CloneWindows();
    CloneWindows(const CloneWindows&) = delete;
    CloneWindows& operator=(const CloneWindows&) = delete;

    TCloneForm* Window(WindowHandle window, std::size_t display) const;

  private:
    using Key = std::pair<WindowHandle, std::size_t>;

    void Open(const CloneEntry& clone);
    void Close(const CloneEntry& clone);
    void SetMode(const CloneEntry& clone);
    static void ShowLook(TCloneForm& form, const CloneEntry& clone);
    void ShowKept(WindowHandle window);
    // The clone set's key of a clone window, which may have moved to another display.
    std::optional<Key> KeyOf(const TCloneForm* form) const;
    void GiveActions(TCloneForm& form);
    void Follow(const std::vector<FollowedClone>& followed);

    CloneSet& clones_;
    CloneServices services_;
    QPointer<QWidget> mainWindow_;
    std::map<Key, std::unique_ptr<TCloneForm>> windows_;
    std::vector<QMetaObject::Connection> connections_;
};
