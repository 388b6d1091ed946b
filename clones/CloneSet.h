// Which window is cloned on which display, and how: the one record of the clones that the
// main window's buttons, the clones' own menus and clicks and the scripting commands all
// change through its actions. The windows that draw the clones follow it as views.
#pragma once

#include <QObject>

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/WindowList.h"

class DisplayList;

// Fit: the image fills the display, its shape kept. Natural: one source pixel a device pixel.
enum class CloneMode { Fit, Natural };

struct CloneEntry {
    WindowHandle window = 0;
    std::size_t display = 0;  // index in the display list: 0 is display 1
    CloneMode mode = CloneMode::Fit;
    friend bool operator==(const CloneEntry&, const CloneEntry&) = default;
};

struct FollowedClone {
    CloneEntry clone;
    std::size_t from = 0;
};

class CloneSet : public QObject {
    Q_OBJECT
  public:
    // displays must outlive the set.
    explicit CloneSet(DisplayList& displays);

    // Opens a clone of window on display in mode; an open one only takes the mode. False,
    // and nothing changes, when the display does not exist now or has no area.
    bool Open(WindowHandle window, std::size_t display, CloneMode mode = CloneMode::Fit);
    // False when there was no such clone.
    bool Close(WindowHandle window, std::size_t display);
    bool SetMode(WindowHandle window, std::size_t display, CloneMode mode);
    // Fit becomes natural size and back, as a click on the clone does.
    bool ToggleMode(WindowHandle window, std::size_t display);
    // The window has gone from the desktop: its clones close.
    void WindowGone(WindowHandle window);
    void CloseAll();
    // The displays changed: moved[i] is the new index of old display i, or nothing when it
    // has gone. A clone follows its display or closes.
    void FollowDisplays(const std::vector<std::optional<std::size_t>>& moved);

    const CloneEntry* Find(WindowHandle window, std::size_t display) const;
    // The displays showing the window, in display order.
    std::vector<std::size_t> DisplaysOf(WindowHandle window) const;
    const std::vector<CloneEntry>& Clones() const { return clones_; }

  signals:
    void Opened(const CloneEntry& clone);
    void Closed(const CloneEntry& clone);
    void ModeChanged(const CloneEntry& clone);
    // After a change of the displays, every clone that stayed, with the display it was on
    // before (its display may also just have moved or changed size).
    void DisplaysFollowed(const std::vector<FollowedClone>& clones);
    // Emitted after each of the above, for whatever shows the window's clones.
    void WindowChanged(WindowHandle window);

  private:
    std::vector<CloneEntry>::iterator Locate(WindowHandle window, std::size_t display);
    bool DisplayUsable(std::size_t display) const;
    void Remove(std::vector<CloneEntry>::iterator at);

    DisplayList& displays_;
    std::vector<CloneEntry> clones_;  // in the order they were opened
};
