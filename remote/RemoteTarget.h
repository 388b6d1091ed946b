// What a running copy offers to scripts: the windows and displays it shows, and the actions
// of its main window. The program's main window implements RemoteTarget; the D-Bus service
// (or the local socket on Windows) turns each command into one call on it.
#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <cstdint>

#include "platform/CloneGeometry.h"
#include "platform/WindowList.h"

#include <optional>

// How a clone shows its window, as a command asks: each part left as it is when not given.
// crop is in the window's pixels as it is now.
struct RemoteLook {
    std::optional<CloneMode> mode;
    std::optional<QRect> crop;
    std::optional<ImageTurn> turn;
    bool Empty() const { return !mode && !crop && !turn; }
};

// One open clone: its window, its display's number, how it shows the window.
struct RemoteClone {
    WindowHandle window = 0;
    int display = 0;
    CloneMode mode = CloneMode::Fit;
    QRect crop{};  // in the window's pixels as chosen; empty: the whole window
    ImageTurn turn = ImageTurn::None;
};

// One listed window: its id, the numbers of the displays that show a clone of it, its title.
struct RemoteWindow {
    WindowHandle handle = 0;
    QList<int> clonedOn;
    QString title;
};

// One kept clone: its place in the running copy's list of them, the window it shows now (0
// while it waits for one), the number of its display (0 while that is away) and its name,
// the window's title as it was kept, and its mode.
struct RemoteKept {
    int index = 0;
    WindowHandle window = 0;
    int display = 0;
    int keptNumber = 0;  // the display's number when it was kept
    QString displayName;
    QString title;
    bool natural = false;
    CloneMode mode = CloneMode::Fit;  // natural above wins
    QRect crop{};                     // as kept; empty: the whole window
    ImageTurn turn = ImageTurn::None;
};

// One display: the number on its buttons (from 1), its name, its geometry on the desktop.
struct RemoteDisplay {
    int number = 0;
    QString name;
    QRect geometry;
};

struct RemoteState {
    QList<RemoteWindow> windows;
    QList<RemoteDisplay> displays;
    QList<RemoteKept> kept;
    QList<RemoteClone> clones;
};

// The result of a command: status 0 done, 1 failed; the message says why it failed, or
// carries the command's output when it succeeded.
struct Outcome {
    int status = 0;
    QString message;

    static Outcome Done(const QString& output = {}) { return {0, output}; }
    static Outcome Failed(const QString& why) { return {1, why}; }
    bool Succeeded() const { return status == 0; }
};

class RemoteTarget {
  public:
    virtual ~RemoteTarget() = default;
    // The windows as the main window lists them now, and the displays.
    virtual RemoteState State() = 0;
    // Opens a clone of the window on the display, as its button does. Only asked
    // for a listed window and an existing display that does not show a clone of it yet.
    virtual Outcome Clone(WindowHandle window, int display, bool naturalSize) = 0;
    // Closes the window's clone on the display, as its button does. Only asked
    // when that clone is open.
    virtual Outcome Release(WindowHandle window, int display) = 0;
    // Keeps the window's open clone on the display, or stops keeping it.
    virtual Outcome Keep(WindowHandle /*window*/, int /*display*/, bool /*keep*/) {
        return Outcome::Failed(QStringLiteral("clones cannot be kept here"));
    }
    // Stops keeping the kept clone of RemoteKept::index, closing it when open.
    virtual Outcome Forget(int /*index*/) {
        return Outcome::Failed(QStringLiteral("clones cannot be kept here"));
    }
    // Why a clone cannot show look here (the desktop cannot crop or turn); empty when it can.
    virtual QString CannotShow(const RemoteLook& look) {
        return look.Empty() ? QString()
                            : QStringLiteral("the crop, mode and turn cannot be set here");
    }
    // Gives the window's open clone on the display the parts of look that are set.
    virtual Outcome SetLook(WindowHandle /*window*/, int /*display*/, const RemoteLook& look) {
        return Outcome::Failed(CannotShow(look));
    }
    // Shows each display's number on it for a moment.
    virtual Outcome Identify() = 0;
    // Brings the main window back: shown, restored, raised and activated.
    virtual Outcome Show() = 0;
    // Hides the main window as its "hide" button does.
    virtual Outcome Hide() = 0;
    // Ends the program in order, as closing the main window does. Called after the caller
    // has had its answer.
    virtual void Quit() = 0;
    // Shows or hides the pointer on the clones.
    virtual Outcome SetPointer(bool visible) = 0;
    // Why this copy carries out no command: it could not start here and shows only the
    // message that says so. Empty while it runs; otherwise every command fails with it
    // (Show also brings the message to the front, Quit still ends the copy).
    virtual QString Refusal() { return {}; }
};
