#include "mainwindow/WindowRowView.h"

#include <algorithm>

namespace {

constexpr int kButtonLeft = 6;
constexpr int kButtonPitch = 39;
constexpr int kButtonWidth = 33;
constexpr int kButtonHeight = 25;
constexpr int kTitleHeight = 15;

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

// What a screen reader says for a display button: what pressing it does.
void NameDisplayButton(QToolButton* button, const QString& title, std::size_t index) {
    const QString display = QString::number(index + 1);
    button->setAccessibleName(
        button->isChecked()
            ? QStringLiteral("Remove the clone of \u201C%1\u201D from display %2")
                  .arg(title, display)
            : QStringLiteral("Clone \u201C%1\u201D on display %2").arg(title, display));
}

void NameDisplayButtons(const std::vector<QToolButton*>& buttons, const QString& title) {
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        NameDisplayButton(buttons[i], title, i);
    }
}

void NameClone(QWidget* clone, const QString& title) {
    clone->setAccessibleName(QStringLiteral("Clone of \u201C%1\u201D").arg(title));
}

}  // namespace

WindowRowView::WindowRowView(QWidget* host, const CloneServices& services,
                             const ListedWindow& window, int displays, int index, int titleRight)
    : host_(host), services_(services), window_(window.handle) {
    const int count = std::max(0, displays);
    // Placed where arranging will put it, so that arranging moves nothing.
    const int top = kRowTop + kRowPitch * index;
    for (int i = 0; i < count; ++i) {
        buttons_.push_back(MakeButton(i, top));
    }
    clones_.resize(static_cast<std::size_t>(count));
    titleLabel_ = new RowTitleLabel(host);
    const int left = TitleLeft();
    titleLabel_->setGeometry(left, top, std::max(0, titleRight - left), kTitleHeight);
    titleLabel_->setWordWrap(false);
    titleLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    titleLabel_->setText(window.title);
    titleLabel_->setToolTip(QStringLiteral("Click to bring clones of this window in the front"));
    QObject::connect(titleLabel_, &RowTitleLabel::Clicked, titleLabel_,
                     [this] { TitleLabelClick(); });
    titleLabel_->show();
    NameDisplayButtons(buttons_, window.title);
}

WindowRowView::~WindowRowView() {
    delete titleLabel_;
    for (QToolButton* button : buttons_) {
        delete button;
    }
    CloseClones();
}

int WindowRowView::TitleLeft() const {
    return kButtonLeft + kButtonPitch * static_cast<int>(buttons_.size());
}

QToolButton* WindowRowView::MakeButton(int index, int top) {
    auto* button = new QToolButton(host_);
    button->setCheckable(true);
    button->setAutoExclusive(false);
    button->setText(QString::number(index + 1));
    button->setToolTip(QStringLiteral("Clone/unclone on display %1").arg(index + 1));
    button->setGeometry(kButtonLeft + kButtonPitch * index, top - kButtonRaise, kButtonWidth,
                        kButtonHeight);
    const auto slot = static_cast<std::size_t>(index);
    // Toggled, not clicked: a screen reader's toggle action switches the button without
    // clicking it, and must open or close the clone all the same.
    QObject::connect(button, &QToolButton::toggled, button, [this, button, slot] {
        DisplayButtonClick(slot);
        if (titleLabel_ != nullptr) {
            NameDisplayButton(button, titleLabel_->text(), slot);
        }
    });
    button->show();
    return button;
}

TCloneForm* WindowRowView::Clone(std::size_t index) const {
    return index < clones_.size() ? clones_[index].get() : nullptr;
}

void WindowRowView::SetTitle(const QString& title) {
    if (titleLabel_->text() != title) {
        titleLabel_->setText(title);
        NameDisplayButtons(buttons_, title);
        for (const auto& clone : clones_) {
            if (clone) {
                NameClone(clone.get(), title);
            }
        }
    }
}

QPoint WindowRowView::Place(int y, int titleRight) {
    const int left = TitleLeft();
    const int width = std::max(0, titleRight - left);
    SetBoundsIfChanged(titleLabel_, QRect(left, y, width, kTitleHeight));
    QPoint extent(left + width, y + kTitleHeight);
    for (QToolButton* button : buttons_) {
        MoveIfChanged(button, QPoint(button->x(), y - kButtonRaise));
        extent.setX(std::max(extent.x(), button->x() + button->width()));
        extent.setY(std::max(extent.y(), y - kButtonRaise + button->height()));
    }
    return extent;
}

void WindowRowView::DisplayButtonClick(std::size_t index) {
    if (index >= clones_.size() || (clones_[index] != nullptr) == buttons_[index]->isChecked()) {
        return;  // already as the button says
    }
    // The toolkit has already switched the button when this runs.
    if (clones_[index]) {
        std::unique_ptr<TCloneForm> clone = std::move(clones_[index]);
        clone->CloseClone();
    }
    if (buttons_[index]->isChecked()) {
        auto clone = std::make_unique<TCloneForm>(services_.compositor, services_.displays,
                                                  services_.system);
        clone->SetScreenPlacement(services_.byScreen);
        NameClone(clone.get(), titleLabel_->text());
        // Placed on its display before it is first shown, so it never appears elsewhere. A
        // display that has gone (and not yet been taken off the rows) gets no clone.
        if (clone->StartClone(window_, static_cast<int>(index))) {
            // Some window managers move the focus away from the active window when a window
            // that refuses it appears; the main window asks for it back.
            QWidget* main = host_->window();
            const bool mainActive = main->isActiveWindow();
            clone->show();
            if (mainActive) {
                main->activateWindow();
            }
            // A window that does not take the focus is put below the active one by some
            // window managers; the clone covers its display, the main window included.
            clone->raise();
            clones_[index] = std::move(clone);
        } else {
            buttons_[index]->setChecked(false);
        }
    }
    UpdateTitleCursor();
}

void WindowRowView::FollowDisplays(const std::vector<std::optional<std::size_t>>& moved,
                                   const std::vector<DisplayInfo>& displays) {
    std::vector<std::unique_ptr<TCloneForm>> kept(displays.size());
    for (std::size_t i = 0; i < clones_.size(); ++i) {
        if (!clones_[i]) {
            continue;
        }
        std::unique_ptr<TCloneForm> clone = std::move(clones_[i]);
        const std::optional<std::size_t> to = i < moved.size() ? moved[i] : std::nullopt;
        if (to && *to < kept.size() && !kept[*to]) {
            clone->FollowDisplay(displays[*to].rect);
            kept[*to] = std::move(clone);
        } else {
            clone->CloseClone();
        }
    }
    clones_ = std::move(kept);
    ResizeButtons(displays.size());
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i]->setChecked(clones_[i] != nullptr);
    }
    UpdateTitleCursor();
}

// Buttons go and come at the end, so the numbers of the others stay.
void WindowRowView::ResizeButtons(std::size_t count) {
    while (buttons_.size() > count) {
        delete buttons_.back();
        buttons_.pop_back();
    }
    const int top = titleLabel_->y();
    while (buttons_.size() < count) {
        buttons_.push_back(MakeButton(static_cast<int>(buttons_.size()), top));
        NameDisplayButton(buttons_.back(), titleLabel_->text(), buttons_.size() - 1);
    }
}

// The hand pointer on a title tells that its window has at least one clone.
void WindowRowView::UpdateTitleCursor() {
    const bool cloned = std::any_of(clones_.begin(), clones_.end(),
                                    [](const auto& clone) { return clone != nullptr; });
    if (cloned) {
        titleLabel_->setCursor(Qt::PointingHandCursor);
    } else {
        titleLabel_->unsetCursor();
    }
}

void WindowRowView::TitleLabelClick() {
    for (const auto& clone : clones_) {
        if (clone) {
            clone->raise();
        }
    }
}

void WindowRowView::CloseClones() {
    for (auto& slot : clones_) {
        if (slot) {
            std::unique_ptr<TCloneForm> clone = std::move(slot);
            clone->CloseClone();
        }
    }
}
