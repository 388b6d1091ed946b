// The rows of the main window's list inside its scroll box, kept in step with the desktop's
// window list through WindowListModel.
#pragma once

#include <QPointer>
#include <QScrollArea>

#include <functional>
#include <memory>
#include <vector>

#include "mainwindow/WindowListModel.h"
#include "mainwindow/WindowRowView.h"

class TWindowRows {
  public:
    using RowList = std::vector<std::unique_ptr<TWindowRowView>>;

    TWindowRows(QScrollArea* scrollBox, const CloneServices& services);
    ~TWindowRows();
    TWindowRows(const TWindowRows&) = delete;
    TWindowRows& operator=(const TWindowRows&) = delete;

    // Applies a fresh snapshot. displayCount is asked once, when the first new row is made:
    // every row of one refresh gets the same number of buttons.
    void Refresh(const std::vector<ListedWindow>& snapshot,
                 const std::function<int()>& displayCount);
    // Row k has its title at 6 + 28k and its buttons 5 pixels higher; the content is sized
    // to the rows so the scroll range follows them.
    void Arrange();
    // Every row goes with its clones.
    void Clear();

    const RowList& Rows() const { return rows_; }
    QWidget* Host() const { return host_; }

    // While set, drawing of the list is suspended as soon as a row is really made or
    // removed, until Unlock.
    void SetLockOnChange(bool lock) { lockOnChange_ = lock; }
    void Unlock();

  private:
    int TitleRight() const;
    void Lock();

    QScrollArea* scrollBox_;
    QPointer<QWidget> host_;
    CloneServices services_;
    WindowListModel model_;
    RowList rows_;
    bool lockOnChange_ = false;
    bool locked_ = false;
};
