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

}  // namespace

TWindowRowView::TWindowRowView(QWidget* host, const CloneServices& services,
                               const ListedWindow& window, int displays, int index, int titleRight)
    : services_(services), window_(window.handle) {
    const int count = std::max(0, displays);
    // Placed where arranging will put it, so that arranging moves nothing.
    const int top = kRowTop + kRowPitch * index;
    for (int i = 0; i < count; ++i) {
        buttons_.push_back(MakeButton(host, i, top));
    }
    clones_.resize(static_cast<std::size_t>(count));
    titleLabel_ = new TRowTitleLabel(host);
    const int left = kButtonLeft + kButtonPitch * count;
    titleLabel_->setGeometry(left, top, std::max(0, titleRight - left), kTitleHeight);
    titleLabel_->setWordWrap(false);
    titleLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    titleLabel_->setText(window.title);
    titleLabel_->setToolTip(QStringLiteral("Click to bring clones of this window in the front"));
    QObject::connect(titleLabel_, &TRowTitleLabel::Clicked, titleLabel_,
                     [this] { TitleLabelClick(); });
    titleLabel_->show();
}

TWindowRowView::~TWindowRowView() {
    delete titleLabel_;
    for (QToolButton* button : buttons_) {
        delete button;
    }
    CloseClones();
}

QToolButton* TWindowRowView::MakeButton(QWidget* host, int index, int top) {
    auto* button = new QToolButton(host);
    button->setCheckable(true);
    button->setAutoExclusive(false);
    button->setText(QString::number(index + 1));
    button->setToolTip(QStringLiteral("Clone/unclone on display %1").arg(index + 1));
    button->setGeometry(kButtonLeft + kButtonPitch * index, top - kButtonRaise, kButtonWidth,
                        kButtonHeight);
    const auto slot = static_cast<std::size_t>(index);
    QObject::connect(button, &QToolButton::clicked, button,
                     [this, slot] { DisplayButtonClick(slot); });
    button->show();
    return button;
}

TCloneForm* TWindowRowView::Clone(std::size_t index) const {
    return index < clones_.size() ? clones_[index].get() : nullptr;
}

void TWindowRowView::SetTitle(const QString& title) {
    if (titleLabel_->text() != title) {
        titleLabel_->setText(title);
    }
}

QPoint TWindowRowView::Place(int y, int titleRight) {
    const int left = titleLabel_->x();
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

void TWindowRowView::DisplayButtonClick(std::size_t index) {
    if (index >= clones_.size()) {
        return;
    }
    // The toolkit has already switched the button when this runs.
    if (clones_[index]) {
        std::unique_ptr<TCloneForm> clone = std::move(clones_[index]);
        clone->CloseClone();
    }
    if (buttons_[index]->isChecked()) {
        clones_[index] = std::make_unique<TCloneForm>(services_.compositor, services_.displays,
                                                      services_.system);
        if (services_.byScreen) {
            clones_[index]->SetScreenPlacement(true);
        } else {
            clones_[index]->show();
        }
        // Displays that have gone since the row was made are passed on as they are.
        clones_[index]->StartClone(window_, static_cast<int>(index));
    }
    UpdateTitleCursor();
}

// The hand pointer on a title tells that its window has at least one clone.
void TWindowRowView::UpdateTitleCursor() {
    const bool cloned = std::any_of(clones_.begin(), clones_.end(),
                                    [](const auto& clone) { return clone != nullptr; });
    if (cloned) {
        titleLabel_->setCursor(Qt::PointingHandCursor);
    } else {
        titleLabel_->unsetCursor();
    }
}

void TWindowRowView::TitleLabelClick() {
    for (const auto& clone : clones_) {
        if (clone) {
            clone->raise();
            clone->activateWindow();
        }
    }
}

void TWindowRowView::CloseClones() {
    for (auto& slot : clones_) {
        if (slot) {
            std::unique_ptr<TCloneForm> clone = std::move(slot);
            clone->CloseClone();
        }
    }
}
