#include "mainwindow/RowTitleLabel.h"

#include <QMouseEvent>

#include "mainwindow/WindowRow.h"

namespace {
const char* const kRowProperty = "vantrelRow";
}

void SetRowTag(QObject* control, WindowRow* row) {
    control->setProperty(kRowProperty, QVariant::fromValue(reinterpret_cast<quintptr>(row)));
}

WindowRow* RowTag(const QObject* control) {
    if (control == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<WindowRow*>(control->property(kRowProperty).value<quintptr>());
}

TRowTitleLabel::TRowTitleLabel(QWidget* parent) : TWideLabel(parent) {}

void TRowTitleLabel::mousePressEvent(QMouseEvent* event) {
    FPressed = event->button() == Qt::LeftButton;
    event->accept();
}

// A click is a left press and release on the label, as with a button.
void TRowTitleLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = FPressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    FPressed = false;
    event->accept();
    if (click) {
        emit Clicked();
    }
}
