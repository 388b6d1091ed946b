// The rows of the main window's list inside its scroll box, kept in step with the desktop's
// window list through WindowListModel.
#pragma once

#include <QPointer>
#include <QScrollArea>

#include <memory>
#include <vector>

#include "clones/CloneSet.h"
#include "mainwindow/CloneWindows.h"
#include "mainwindow/WindowListModel.h"
#include "mainwindow/WindowRowView.h"

class WindowRows {
  public:
    using RowList = std::vector<std::unique_ptr<WindowRowView>>;

    WindowRows(QScrollArea* scrollBox, const CloneServices& services);
    ~WindowRows();
    WindowRows(const WindowRows&) = delete;
    WindowRows& operator=(const WindowRows&) = delete;

    // Applies a fresh snapshot. New rows get one button per display, as every row has:
    // when the displays change, the rows follow at once.
    void Refresh(const std::vector<ListedWindow>& snapshot);
    // Row k has its title at 6 + 28k and its buttons 5 pixels higher; the content is sized
    // to the rows so the scroll range follows them.
    void Arrange();
    // Every clone closes and every row goes.
    void Clear();

    const RowList& Rows() const { return rows_; }
    // What is cloned where; the rows' buttons and the clone windows follow it.
    CloneSet& Clones() { return clones_; }
    const CloneSet& Clones() const { return clones_; }
    TCloneForm* CloneWindow(WindowHandle window, std::size_t display) const {
        return cloneWindows_.Window(window, display);
    }
    QWidget* Host() const { return host_; }

    // While set, drawing of the list is suspended as soon as a row is really made or
    // removed, until Unlock.
    void SetLockOnChange(bool lock) { lockOnChange_ = lock; }
    void Unlock();

  private:
    int TitleRight() const;
    void Lock();
    void FollowDisplays();
    void ShowClonesOf(WindowHandle window);
    void ChainTabOrder();

    QScrollArea* scrollBox_;
    QPointer<QWidget> host_;
    CloneServices services_;
    CloneSet clones_;
    CloneWindows cloneWindows_;
    WindowListModel model_;
    RowList rows_;
    std::vector<DisplayInfo> displays_;  // what the rows' buttons stand for
    QMetaObject::Connection displaysChanged_;
    QMetaObject::Connection clonesChanged_;
    bool lockOnChange_ = false;
    bool locked_ = false;
};
