// One row of the main window's list: the title label of a listed window and one toggle button
// per display. The buttons ask the clone set and show what it holds for the window.
#pragma once

#include <QPoint>
#include <QString>
#include <QToolButton>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "clone/CloneForm.h"
#include "clones/CloneSet.h"
#include "mainwindow/RowTitleLabel.h"
#include "platform/DisplayList.h"

class CloneWindows;

// The clones a row shows and changes.
struct RowClones {
    CloneSet& set;
    CloneWindows& windows;
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
    WindowRowView(QWidget* host, const RowClones& clones, const ListedWindow& window, int displays,
                  int index, int titleRight);
    // Removes its controls; the window's clones are the set's.
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

    // A display button was toggled: the set opens or closes the clone, and the button
    // shows what it did (a display that has gone gets no clone; its button comes up).
    void DisplayButtonClick(std::size_t index);
    // One button per display from now on, each down exactly while the set holds a clone.
    void FollowDisplays(std::size_t displays);
    // The buttons, the clones' names and the title's pointer show the set again.
    void ShowClones();
    // Brings the window's clones to the front in display order. Clones never take the
    // focus: the main window stays active.
    void TitleLabelClick();
    // The menu of the clone on display index, below its button; nothing without a clone.
    void OpenCloneMenu(std::size_t index);

  private:
    QToolButton* MakeButton(int index, int top);
    void ResizeButtons(std::size_t count);
    int TitleLeft() const;
    void UpdateTitleCursor();

    QWidget* host_;
    RowClones clones_;
    WindowHandle window_;
    RowTitleLabel* titleLabel_ = nullptr;
    std::vector<QToolButton*> buttons_;  // index i stands for display i
};
