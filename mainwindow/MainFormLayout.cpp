#include "mainwindow/MainFormLayout.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include <algorithm>

namespace {

constexpr int kDesignedWidth = 727;
constexpr int kDesignedHeight = 551;
// The space between two bottom buttons, and between the last one and the window's edge.
constexpr int kButtonGap = 6;
constexpr int kRightMargin = kDesignedWidth - 721;
// The designed distances from the monitor line to the list heading and from it to the list.
constexpr int kLabelGap = kWindowListLabelBounds.top() - kMonitorsLabelBounds.bottom() - 1;
constexpr int kListGap = kScrollBoxBounds.top() - kWindowListLabelBounds.bottom() - 1;

void SetBoundsIfChanged(QWidget* widget, const QRect& bounds) {
    if (widget != nullptr && widget->geometry() != bounds) {
        widget->setGeometry(bounds);
    }
}

// A button as wide as its text needs, never narrower than designed.
QRect WideEnough(const QPushButton* button, const QRect& designed) {
    QRect bounds = designed;
    bounds.setWidth(std::max(designed.width(), button->sizeHint().width()));
    return bounds;
}

// A label grows to the right up to maxWidth to hold its text on one line, then, when it
// wraps, downwards.
QRect LabelBounds(const QLabel* label, const QRect& designed, int maxWidth) {
    QRect bounds = designed;
    const QMargins margins = label->contentsMargins();
    const int oneLine = label->fontMetrics().horizontalAdvance(label->text()) + margins.left() +
                        margins.right() + 2 * label->margin();
    bounds.setWidth(std::clamp(oneLine, designed.width(), std::max(designed.width(), maxWidth)));
    const int height = label->wordWrap() ? label->heightForWidth(bounds.width())
                                         : label->fontMetrics().height() + margins.top() +
                                               margins.bottom() + 2 * label->margin();
    bounds.setHeight(std::max(designed.height(), height));
    return bounds;
}

}  // namespace

void MainFormLayout::Fit(const MainFormControls& controls, int clientWidth) {
    const int labelRoom = std::max(clientWidth, kDesignedWidth) - 2 * kMonitorsLabelBounds.left();
    monitors_ = LabelBounds(controls.monitors, kMonitorsLabelBounds, labelRoom);
    windowList_ = LabelBounds(controls.windowList, kWindowListLabelBounds, labelRoom);
    // Taller labels push what is below them down, the list last.
    windowList_.moveTop(std::max(kWindowListLabelBounds.top(), monitors_.bottom() + 1 + kLabelGap));
    listTop_ = std::max(kScrollBoxBounds.top(), windowList_.bottom() + 1 + kListGap);
    about_ = WideEnough(controls.about, kAboutButtonBounds);
    identify_ = WideEnough(controls.identify, kIdentifyButtonBounds);
    identify_.moveLeft(std::max(kIdentifyButtonBounds.left(), about_.right() + 1 + kButtonGap));
    hide_ = WideEnough(controls.hide, kHideButtonBounds);
    hide_.moveLeft(std::max(kHideButtonBounds.left(), identify_.right() + 1 + kButtonGap));
    // Exit keeps its distance to the right edge and grows to the left.
    exit_ = WideEnough(controls.exit, kExitButtonBounds);
    exit_.moveRight(kExitButtonBounds.right());
}

int MainFormLayout::NeededClientWidth() const {
    const int buttons = hide_.right() + 1 + kButtonGap + exit_.width() + kRightMargin;
    const int labels = std::max(monitors_.right(), windowList_.right()) + 1 + kRightMargin;
    return std::max({buttons, labels, 0});
}

void MainFormLayout::Apply(const MainFormControls& controls, QSize client) const {
    const int dw = client.width() - kDesignedWidth;
    const int dh = client.height() - kDesignedHeight;
    // The help text takes the lines it needs at its current width; the list gives them up.
    const int helpWidth = std::max(0, kHelpLabelBounds.width() + dw);
    const int helpHeight =
        controls.help->wordWrap()
            ? std::max(kHelpLabelBounds.height(), controls.help->heightForWidth(helpWidth))
            : kHelpLabelBounds.height();
    const int helpGrowth = helpHeight - kHelpLabelBounds.height();
    SetBoundsIfChanged(controls.monitors, monitors_);
    SetBoundsIfChanged(controls.windowList, windowList_);
    const int listGrowth = listTop_ - kScrollBoxBounds.top();
    SetBoundsIfChanged(
        controls.list,
        QRect(kScrollBoxBounds.left(), listTop_, std::max(0, kScrollBoxBounds.width() + dw),
              std::max(0, kScrollBoxBounds.height() + dh - helpGrowth - listGrowth)));
    SetBoundsIfChanged(controls.help,
                       QRect(kHelpLabelBounds.left(), kHelpLabelBounds.top() + dh - helpGrowth,
                             helpWidth, helpHeight));
    SetBoundsIfChanged(controls.about, about_.translated(0, dh));
    SetBoundsIfChanged(controls.identify, identify_.translated(0, dh));
    SetBoundsIfChanged(controls.hide, hide_.translated(0, dh));
    SetBoundsIfChanged(controls.exit, exit_.translated(dw, dh));
}
