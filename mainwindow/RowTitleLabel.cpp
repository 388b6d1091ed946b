#include "mainwindow/RowTitleLabel.h"

#include <QMouseEvent>

TRowTitleLabel::TRowTitleLabel(QWidget* parent) : TWideLabel(parent) {}

void TRowTitleLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

// A click is a left press and release on the label, as with a button.
void TRowTitleLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click) {
        emit Clicked();
    }
}
