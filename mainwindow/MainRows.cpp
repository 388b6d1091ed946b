// The rows of the main window and how they follow the desktop's window list.
#include "mainwindow/MainUnit.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_set>

#include "mainwindow/MonitorIdentify.h"
#include "platform/ImportUnit.h"

namespace {

constexpr int kRowTop = 6;  // the first title's top in the scroll box's content
constexpr int kButtonLeft = 6;
constexpr int kButtonPitch = 39;
constexpr int kButtonWidth = 33;
constexpr int kButtonHeight = 25;
constexpr int kButtonRaise = 5;  // buttons sit this much above their title
constexpr int kTitleHeight = 15;
constexpr int kTitleRightGap = 33;
constexpr int kTitleBufferSize = 1024;
constexpr int kTitleMaxCount = 512;

void MoveIfChanged(QWidget* widget, const QPoint& position) {
    if (widget->pos() != position) {
        widget->move(position);
    }
}

void SetBoundsIfChanged(QWidget* widget, const QRect& bounds) {
    if (widget->geometry() != bounds) {
        widget->setGeometry(bounds);
    }
}

}  // namespace

WindowHandle TMainForm::ApplicationWindow() {
    return static_cast<WindowHandle>(winId());
}

void TMainForm::FetchWindowList(RowList& list) {
    list.clear();
    BuildList(ApplicationWindow());
    const int count = GetListCount();
    for (int position = 1; position <= count; ++position) {
        auto row = std::make_unique<WindowRow>();
        row->Window = GetListItem(position);
        list.push_back(std::move(row));
    }
}

QString TMainForm::GetWindowTitle(WindowHandle window) {
    std::array<char16_t, kTitleBufferSize> buffer{};
    const int count = GetWindowTextW(window, buffer.data(), kTitleMaxCount);
    if (count <= 0) {
        return {};
    }
    return QString::fromUtf16(buffer.data(), std::min(count, kTitleMaxCount - 1));
}

void TMainForm::RefreshWindowList() {
    RowList snapshot;
    FetchWindowList(snapshot);
    // Matching by handle goes through sets, so a refresh stays linear in the number of
    // windows (with thousands listed, searching the lists was most of its cost).
    std::unordered_set<WindowHandle> listed;
    listed.reserve(snapshot.size());
    for (const auto& item : snapshot) {
        listed.insert(item->Window);
    }
    // Rows of vanished windows go; the others are re-titled. Walking backwards keeps the
    // indices of the rows still to visit.
    for (std::size_t i = FRows.size(); i-- > 0;) {
        WindowRow& row = *FRows[i];
        if (listed.contains(row.Window)) {
            UpdateRowTitle(row);
        } else {
            LockRowUpdates();
            DestroyRow(row);
            FRows.erase(FRows.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    std::unordered_set<WindowHandle> rowed;
    rowed.reserve(FRows.size());
    for (const auto& row : FRows) {
        rowed.insert(row->Window);
    }
    std::erase_if(snapshot, [&rowed](const auto& item) { return rowed.contains(item->Window); });
    // Windows new to the list get rows at the end, in snapshot order, once they have a
    // title; an untitled one is looked at again at the next refresh. A window listed twice
    // gets one row. The display count is asked once, when the first row is made: every row
    // of one refresh gets the same number of buttons.
    std::optional<int> displays;
    for (auto& item : snapshot) {
        if (rowed.contains(item->Window)) {
            continue;
        }
        const QString title = GetWindowTitle(item->Window);
        if (title.isEmpty()) {
            continue;
        }
        if (!displays) {
            displays = GetMonitorCount();
        }
        LockRowUpdates();
        rowed.insert(item->Window);
        FRows.push_back(std::move(item));
        CreateRow(*FRows.back(), title, *displays);
    }
}

void TMainForm::UpdateRowTitle(WindowRow& row) {
    const QString title = GetWindowTitle(row.Window);
    if (row.TitleLabel->text() != title) {
        row.TitleLabel->setText(title);
    }
}

int TMainForm::TitleWidth(int left) const {
    return std::max(0, WindowsScrollBox->width() - left - kTitleRightGap);
}

void TMainForm::CreateRow(WindowRow& row, const QString& title) {
    CreateRow(row, title, GetMonitorCount());
}

void TMainForm::CreateRow(WindowRow& row, const QString& title, int monitorCount) {
    const int displays = std::max(0, monitorCount);
    // Placed where ArrangeRows will put it, so that arranging moves nothing.
    const int top =
        kRowTop + kRowPitch * static_cast<int>(std::max<std::size_t>(FRows.size(), 1) - 1);
    row.DisplayButtons.assign(static_cast<std::size_t>(displays), nullptr);
    row.Clones.assign(static_cast<std::size_t>(displays), nullptr);
    for (int i = 0; i < displays; ++i) {
        auto* button = new QToolButton(FRowHost);
        button->setCheckable(true);
        button->setAutoExclusive(false);
        button->setText(QString::number(i + 1));
        button->setToolTip(QStringLiteral("Clone/unclone on display %1").arg(i + 1));
        button->setGeometry(kButtonLeft + kButtonPitch * i, top - kButtonRaise, kButtonWidth,
                            kButtonHeight);
        SetRowTag(button, &row);
        connect(button, &QToolButton::clicked, this,
                [this, button] { DisplayButtonClick(button); });
        button->show();
        row.DisplayButtons[static_cast<std::size_t>(i)] = button;
    }
    auto* label = new TRowTitleLabel(FRowHost);
    const int left = kButtonLeft + kButtonPitch * displays;
    label->setGeometry(left, top, TitleWidth(left), kTitleHeight);
    label->setWordWrap(false);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(title);
    label->setToolTip(QStringLiteral("Click to bring clones of this window in the front"));
    SetRowTag(label, &row);
    connect(label, &TRowTitleLabel::Clicked, this, [this, label] { TitleLabelClick(label); });
    label->show();
    row.TitleLabel = label;
}

void TMainForm::DestroyRow(WindowRow& row) {
    delete row.TitleLabel;
    row.TitleLabel = nullptr;
    for (std::size_t i = 0; i < row.DisplayButtons.size(); ++i) {
        delete row.DisplayButtons[i];
        row.DisplayButtons[i] = nullptr;
        if (i < row.Clones.size() && row.Clones[i] != nullptr) {
            TCloneForm* clone = row.Clones[i];
            row.Clones[i] = nullptr;
            clone->CloseClone();
            delete clone;
        }
    }
    row.DisplayButtons.clear();
    row.Clones.clear();
}

// Row k has its title at 6 + 28k and its buttons 5 pixels higher, in the scroll box's
// content coordinates; the content is sized to the rows so the scroll range follows them.
void TMainForm::ArrangeRows() {
    int y = kRowTop;
    int right = 0;
    int bottom = 0;
    for (const auto& row : FRows) {
        if (row->TitleLabel != nullptr) {
            const int left = row->TitleLabel->x();
            const QRect bounds(left, y, TitleWidth(left), kTitleHeight);
            SetBoundsIfChanged(row->TitleLabel, bounds);
            right = std::max(right, bounds.left() + bounds.width());
            bottom = std::max(bottom, bounds.top() + bounds.height());
        }
        for (QToolButton* button : row->DisplayButtons) {
            MoveIfChanged(button, QPoint(button->x(), y - kButtonRaise));
            right = std::max(right, button->x() + button->width());
            bottom = std::max(bottom, y - kButtonRaise + button->height());
        }
        y += kRowPitch;
    }
    if (FRowHost->size() != QSize(right, bottom)) {
        FRowHost->resize(right, bottom);
    }
}

void TMainForm::LockRowUpdates() {
    if (FLockOnRowChange && !FRowsLocked) {
        WindowsScrollBox->setUpdatesEnabled(false);
        FRowsLocked = true;
    }
}

void TMainForm::UnlockRowUpdates() {
    if (FRowsLocked) {
        FRowsLocked = false;
        WindowsScrollBox->setUpdatesEnabled(true);
    }
}

// Runs each time the event loop is about to wait. Drawing of the list is suspended only
// while rows are really created or destroyed: re-enabling it schedules a repaint, which
// would wake the loop for another refresh. The wait of "Identify Monitors" keeps it off.
void TMainForm::ApplicationIdle() {
    if (FInIdle || IdleRefreshSuppressed()) {
        return;
    }
    FInIdle = true;
    FLockOnRowChange = true;
    RefreshWindowList();
    ArrangeRows();
    FLockOnRowChange = false;
    UnlockRowUpdates();
    FInIdle = false;
}
