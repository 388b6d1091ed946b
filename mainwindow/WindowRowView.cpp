#include "mainwindow/WindowRowView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>
#include <functional>
#include <utility>

#include "mainwindow/CloneWindows.h"

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

// The context-menu key and Shift+F10 on a button: what opens a menu from the keyboard on
// every desktop, whether or not the platform turns the key into a context-menu event.
class MenuKeyFilter : public QObject {
  public:
    MenuKeyFilter(QObject* button, std::function<void()> open)
        : QObject(button), open_(std::move(open)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Menu ||
                (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
                open_();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> open_;
};

}  // namespace

WindowRowView::WindowRowView(QWidget* host, const RowClones& clones, const ListedWindow& window,
                             int displays, int index, int titleRight)
    : host_(host), clones_(clones), window_(window.handle) {
    const int count = std::max(0, displays);
    // Placed where arranging will put it, so that arranging moves nothing.
    const int top = kRowTop + kRowPitch * index;
    for (int i = 0; i < count; ++i) {
        buttons_.push_back(MakeButton(i, top));
    }
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
    ShowClones();
}

WindowRowView::~WindowRowView() {
    delete titleLabel_;
    for (QToolButton* button : buttons_) {
        delete button;
    }
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
    // The clone never takes the keyboard: its menu opens from its pressed button instead,
    // by the context-menu key, Shift+F10 or the right button.
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(button, &QWidget::customContextMenuRequested, button,
                     [this, slot] { OpenCloneMenu(slot); });
    button->installEventFilter(new MenuKeyFilter(button, [this, slot] { OpenCloneMenu(slot); }));
    button->show();
    return button;
}

void WindowRowView::OpenCloneMenu(std::size_t index) {
    TCloneForm* clone = Clone(index);
    if (clone == nullptr || index >= buttons_.size()) {
        return;
    }
    // The platform may announce the context-menu key twice: as the key and as a menu event.
    if (const QWidget* open = QApplication::activePopupWidget();
        open != nullptr && open->objectName() == QLatin1String("CloneMenu")) {
        return;
    }
    QToolButton* button = buttons_[index];
    QMenu* menu = clone->MakeMenu().release();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

TCloneForm* WindowRowView::Clone(std::size_t index) const {
    return clones_.windows.Window(window_, index);
}

void WindowRowView::SetTitle(const QString& title) {
    if (titleLabel_->text() != title) {
        titleLabel_->setText(title);
        NameDisplayButtons(buttons_, title);
        for (const std::size_t display : clones_.set.DisplaysOf(window_)) {
            if (TCloneForm* clone = Clone(display)) {
                NameClone(clone, title);
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
    if (index >= buttons_.size()) {
        return;
    }
    // The toolkit has already switched the button when this runs.
    const bool down = buttons_[index]->isChecked();
    if ((clones_.set.Find(window_, index) != nullptr) == down) {
        return;  // already as the button says
    }
    if (down) {
        clones_.set.Open(window_, index);
    } else {
        clones_.set.Close(window_, index);
    }
    ShowClones();
}

void WindowRowView::FollowDisplays(std::size_t displays) {
    ResizeButtons(displays);
    ShowClones();
}

void WindowRowView::ShowClones() {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i]->setChecked(clones_.set.Find(window_, i) != nullptr);
    }
    for (const std::size_t display : clones_.set.DisplaysOf(window_)) {
        if (TCloneForm* clone = Clone(display)) {
            NameClone(clone, titleLabel_->text());
        }
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
    if (!clones_.set.DisplaysOf(window_).empty()) {
        titleLabel_->setCursor(Qt::PointingHandCursor);
    } else {
        titleLabel_->unsetCursor();
    }
}

void WindowRowView::TitleLabelClick() {
    for (const std::size_t display : clones_.set.DisplaysOf(window_)) {
        if (TCloneForm* clone = Clone(display)) {
            clone->raise();
        }
    }
}
