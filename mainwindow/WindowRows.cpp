#include "mainwindow/WindowRows.h"

#include <algorithm>

#include "mainwindow/DisplayMatch.h"

namespace {
constexpr int kTitleRightGap = 33;
}

WindowRows::WindowRows(QScrollArea* scrollBox, const CloneServices& services)
    : scrollBox_(scrollBox),
      host_(new QWidget),
      services_(services),
      clones_(services.displays,
              [windows = services.windows](WindowHandle window) {
                  return windows != nullptr ? windows->Identify(window) : WindowIdentity{};
              }),
      cloneWindows_(clones_, services, scrollBox->window()) {
    host_->setObjectName(QStringLiteral("WindowsScrollBoxContent"));
    host_->resize(0, 0);
    scrollBox_->setWidget(host_);
    host_->setBackgroundRole(QPalette::Base);
    displays_ = services_.displays.Displays();
    displaysChanged_ = QObject::connect(&services_.displays, &DisplayList::Changed, host_,
                                        [this] { FollowDisplays(); });
    clonesChanged_ = QObject::connect(&clones_, &CloneSet::WindowChanged,
                                      [this](WindowHandle window) { ShowClonesOf(window); });
}

WindowRows::~WindowRows() {
    QObject::disconnect(displaysChanged_);
    Clear();
    QObject::disconnect(clonesChanged_);
}

void WindowRows::ShowClonesOf(WindowHandle window) {
    for (const auto& row : rows_) {
        if (row->Window() == window) {
            row->ShowClones();
        }
    }
}

// Every row ends with one button per display; clones follow their display or close.
void WindowRows::FollowDisplays() {
    std::vector<DisplayInfo> now = services_.displays.Displays();
    if (now == displays_) {
        return;
    }
    const auto moved = MatchDisplays(displays_, now);
    displays_ = std::move(now);
    for (const auto& row : rows_) {
        row->FollowDisplays(displays_.size());
    }
    clones_.FollowDisplays(moved);
    Arrange();
    ChainTabOrder();
}

// The rows' buttons come right after the scroll box in keyboard order, in list order, and so
// before the buttons along the bottom, also for rows made after the window.
void WindowRows::ChainTabOrder() {
    QWidget* previous = scrollBox_;
    for (const auto& row : rows_) {
        for (QToolButton* button : row->DisplayButtons()) {
            QWidget::setTabOrder(previous, button);
            previous = button;
        }
    }
}

int WindowRows::TitleRight() const {
    return scrollBox_->width() - kTitleRightGap;
}

void WindowRows::Refresh(const std::vector<ListedWindow>& snapshot) {
    const ListChanges changes = model_.Update(snapshot);
    for (const std::size_t row : changes.removed) {
        Lock();
        clones_.WindowGone(rows_[row]->Window());
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
    }
    // Every label shows its window's title again, also one that translation replaced.
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        rows_[i]->SetTitle(model_.Rows()[i].title);
    }
    const int displays = static_cast<int>(displays_.size());
    for (const ListedWindow& window : changes.added) {
        Lock();
        rows_.push_back(std::make_unique<WindowRowView>(
            host_, RowClones{clones_, cloneWindows_}, window, displays,
            static_cast<int>(rows_.size()), TitleRight()));
    }
    if (!changes.added.empty()) {
        ChainTabOrder();
    }
    // Kept clones come back to windows that appeared.
    clones_.Reconcile(model_.Rows());
}

void WindowRows::Arrange() {
    int y = kRowTop;
    QPoint extent(0, 0);
    for (const auto& row : rows_) {
        const QPoint reach = row->Place(y, TitleRight());
        extent = QPoint(std::max(extent.x(), reach.x()), std::max(extent.y(), reach.y()));
        y += kRowPitch;
    }
    if (host_->size() != QSize(extent.x(), extent.y())) {
        host_->resize(extent.x(), extent.y());
    }
}

void WindowRows::Clear() {
    clones_.CloseAll();
    rows_.clear();
    model_.Clear();
    if (host_ != nullptr) {
        host_->resize(0, 0);
    }
}

void WindowRows::Lock() {
    if (lockOnChange_ && !locked_) {
        scrollBox_->setUpdatesEnabled(false);
        locked_ = true;
    }
}

void WindowRows::Unlock() {
    if (locked_) {
        locked_ = false;
        scrollBox_->setUpdatesEnabled(true);
    }
}
