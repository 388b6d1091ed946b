// One row of the main window's list: a listed top-level window, its title label, one
// toggle button per display and the clone shown on each display.
#pragma once

#include <QPointer>
#include <QToolButton>

#include <memory>
#include <vector>

#include "clone/WindowCloneUnit.h"
#include "mainwindow/RowTitleLabel.h"
#include "platform/Platform.h"

struct WindowRow {
    WindowHandle Window = 0;  // the row's identity across refreshes
    TRowTitleLabel* TitleLabel = nullptr;
    std::vector<QToolButton*> DisplayButtons;  // index i stands for display i
    std::vector<QPointer<TCloneForm>> Clones;  // slot i: the clone on display i, or none
};

using RowList = std::vector<std::unique_ptr<WindowRow>>;

// Each row control carries its row, so that click handlers find it.
void SetRowTag(QObject* control, WindowRow* row);
WindowRow* RowTag(const QObject* control);
