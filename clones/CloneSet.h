// Which window is cloned on which display, and how: the one record of the clones that the
// main window's buttons, the clones' own menus and clicks and the scripting commands all
// change through its actions. The windows that draw the clones follow it as views.
#pragma once

#include <QObject>

#include <QString>

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/CloneGeometry.h"
#include "platform/WindowList.h"

class DisplayList;

struct CloneEntry {
    WindowHandle window = 0;
    std::size_t display = 0;  // index in the display list: 0 is display 1
    CloneMode mode = CloneMode::Fit;
    bool kept = false;  // comes back with its window and its display
    CloneCrop crop{};   // the part of the window shown; whole by default
    ImageTurn turn = ImageTurn::None;
    friend bool operator==(const CloneEntry&, const CloneEntry&) = default;
};

// A clone the user keeps: its window as the desktop described it, its display by name (by
// number only where the display has none), its mode, crop and turn. It stays while its window or
// its display is away, and opens again when both are there.
struct KeptClone {
    WindowIdentity window;
    QString displayName;
    std::size_t displayNumber = 0;  // index, as in CloneEntry
    CloneMode mode = CloneMode::Fit;
    WindowHandle shownWindow = 0;  // the window it is of now; 0 while it waits for one
    QString restoreToken = {};     // Wayland: the portal's token that restores its capture
    CloneCrop crop{};
    ImageTurn turn = ImageTurn::None;
    friend bool operator==(const KeptClone&, const KeptClone&) = default;
};

struct FollowedClone {
    CloneEntry clone;
    std::size_t from = 0;
};

class CloneSet : public QObject {
    Q_OBJECT
  public:
    using Identify = std::function<WindowIdentity(WindowHandle)>;

    // displays must outlive the set. identify tells what the desktop says of a window beyond
    // its title; kept clones need it.
    explicit CloneSet(DisplayList& displays, Identify identify = {});

    // Opens a clone of window on display in mode; an open one only takes the mode. False,
    // and nothing changes, when the display does not exist now or has no area.
    bool Open(WindowHandle window, std::size_t display, CloneMode mode = CloneMode::Fit);
    // False when there was no such clone. A kept clone closed so is no longer kept.
    bool Close(WindowHandle window, std::size_t display);
    bool SetMode(WindowHandle window, std::size_t display, CloneMode mode);
    // Shows only crop of the window (a whole crop: all of it), or turns the image; a kept
    // clone keeps them. False when there is no such clone.
    bool SetCrop(WindowHandle window, std::size_t display, const CloneCrop& crop);
    bool SetTurn(WindowHandle window, std::size_t display, ImageTurn turn);
    // Fit becomes natural size and back, as a click on the clone does.
    bool ToggleMode(WindowHandle window, std::size_t display);
    // The window has gone from the desktop: its clones close; kept ones wait for it.
    void WindowGone(WindowHandle window);
    // Every clone closes; kept ones stay kept.
    void CloseAll();
    // Keeps an open clone, or stops keeping it; false when it is not open.
    bool Keep(WindowHandle window, std::size_t display, bool keep);
    // Stops keeping Kept()[index] (closing its clone when open); false for no such index.
    bool Forget(std::size_t index);
    // Replaces the kept clones (as saved); they open with the next Reconcile.
    void RestoreKept(std::vector<KeptClone> kept);
    // The windows listed now, in the list's order: kept clones waiting for a window take the
    // one they match (KeptMatch.h), and those whose window and display are there open.
    void Reconcile(const std::vector<ListedWindow>& windows);
    // The displays changed: moved[i] is the new index of old display i, or nothing when it
    // has gone. A clone follows its display or closes.
    void FollowDisplays(const std::vector<std::optional<std::size_t>>& moved);
    // The capture of window gave a token that restores it at the next start without asking
    // the user (Wayland's portal); a kept clone of the window keeps the newest.
    void SetRestoreToken(WindowHandle window, const QString& token);

    const CloneEntry* Find(WindowHandle window, std::size_t display) const;
    // The displays showing the window, in display order.
    std::vector<std::size_t> DisplaysOf(WindowHandle window) const;
    const std::vector<CloneEntry>& Clones() const { return clones_; }
    const std::vector<KeptClone>& Kept() const { return kept_; }
    // Where the kept clone would open now; nothing while its display is away.
    std::optional<std::size_t> DisplayOf(const KeptClone& kept) const;

  signals:
    void Opened(const CloneEntry& clone);
    void Closed(const CloneEntry& clone);
    // The clone's mode, crop or turn changed.
    void ModeChanged(const CloneEntry& clone);
    // Just before a kept clone opens on window: its capture should start with this token.
    void RestoreTokenWanted(WindowHandle window, const QString& token);
    // After a change of the displays, every clone that stayed, with the display it was on
    // before (its display may also just have moved or changed size).
    void DisplaysFollowed(const std::vector<FollowedClone>& clones);
    // Emitted after each of the above, for whatever shows the window's clones.
    void WindowChanged(WindowHandle window);
    // The kept clones changed (what is saved of them).
    void KeptChanged();

  private:
    std::vector<CloneEntry>::iterator Locate(WindowHandle window, std::size_t display);
    bool DisplayUsable(std::size_t display) const;
    void Remove(std::vector<CloneEntry>::iterator at);
    std::vector<KeptClone>::iterator KeptOf(WindowHandle window, std::size_t display);
    WindowIdentity Describe(const ListedWindow& window);
    bool FindWindowFor(KeptClone& kept, const std::vector<ListedWindow>& windows);
    bool OpenKept(const KeptClone& kept);
    template <typename Change>
    bool ChangeLook(WindowHandle window, std::size_t display, Change change);

    DisplayList& displays_;
    Identify identify_;
    std::vector<CloneEntry> clones_;  // in the order they were opened
    std::vector<KeptClone> kept_;
    std::vector<ListedWindow> listed_;                  // as of the last Reconcile
    std::map<WindowHandle, WindowIdentity> described_;  // listed windows asked about
    std::map<WindowHandle, QString> tokens_;            // the newest restore token of each
};
