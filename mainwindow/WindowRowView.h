// One row of the main window's list: the title label of a listed window, one toggle button
// per display, and the clones those buttons opened, which the row owns.
#pragma once

#include <QPoint>
#include <QString>
#include <QToolButton>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "clone/CloneForm.h"
#include "mainwindow/RowTitleLabel.h"
#include "platform/DisplayList.h"

class Compositor;
class DisplayList;
class SystemServices;

// What a row needs to open clones.
struct CloneServices {
    Compositor& compositor;
    DisplayList& displays;
    SystemServices& system;
    // Clones go full screen on their display's named screen (Wayland) instead of taking
    // its geometry.
    bool byScreen = false;
};

// Row geometry in the scroll box's content: row k has its title at kRowTop + kRowPitch * k
// and its buttons kButtonRaise pixels higher.
inline constexpr int kRowTop = 6;
inline constexpr int kRowPitch = 28;
inline constexpr int kButtonRaise = 5;

class WindowRowView {
  public:
    // Makes the row's controls on host at row position `index`, with `displays` buttons;
    // the title reaches to x = titleRight.
    WindowRowView(QWidget* host, const CloneServices& services, const ListedWindow& window,
                  int displays, int index, int titleRight);
    // Closes the row's clones and removes its controls.
    ~WindowRowView();
    WindowRowView(const WindowRowView&) = delete;
    WindowRowView& operator=(const WindowRowView&) = delete;

    WindowHandle Window() const { return window_; }
    RowTitleLabel* TitleLabel() const { return titleLabel_; }
    const std::vector<QToolButton*>& DisplayButtons() const { return buttons_; }
    // The clone on display index, or null.
    TCloneForm* Clone(std::size_t index) const;

    void SetTitle(const QString& title);
    // Moves the row's title to top y, reaching to x = titleRight; returns the right and
    // bottom edges (exclusive) its controls reach.
    QPoint Place(int y, int titleRight);

    // A display button was toggled: a clone exists exactly while its button is down.
    void DisplayButtonClick(std::size_t index);
    // The displays changed: moved[i] is the new index of old display i, or nothing when it
    // has gone. Clones follow their display or close; the row ends with one button per
    // display, each down exactly while its display has a clone.
    void FollowDisplays(const std::vector<std::optional<std::size_t>>& moved,
                        const std::vector<DisplayInfo>& displays);
    // Brings the window's clones to the front in display order. Clones never take the
    // focus: the main window stays active.
    void TitleLabelClick();
    void CloseClones();

  private:
    QToolButton* MakeButton(int index, int top);
    void ResizeButtons(std::size_t count);
    int TitleLeft() const;
    void UpdateTitleCursor();

    QWidget* host_;
    CloneServices services_;
    WindowHandle window_;
    RowTitleLabel* titleLabel_ = nullptr;
    std::vector<QToolButton*> buttons_;                // index i stands for display i
    std::vector<std::unique_ptr<TCloneForm>> clones_;  // slot i: the clone on display i
};
