#include "widgets/AltKeyRepaint.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

int KeyCodeFromQtKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return kKeyCodeTab;
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
            return kKeyCodeAlt;
        case Qt::Key_Left:
            return kKeyCodeLeft;
        case Qt::Key_Up:
            return kKeyCodeUp;
        case Qt::Key_Right:
            return kKeyCodeRight;
        case Qt::Key_Down:
            return kKeyCodeDown;
        default:
            return 0;
    }
}

bool VisualThemesActive() {
    return true;
}

TAltKeyRepaint::TAltKeyRepaint(QObject* owner) : QObject(owner) {
    timer_.setSingleShot(true);
    timer_.setInterval(kDelayMs);
    connect(&timer_, &QTimer::timeout, this, &TAltKeyRepaint::TimerFired);
}

void TAltKeyRepaint::KeyDownCheck(QWidget* form, int keyCode) {
    const bool alt = keyCode == kKeyCodeAlt;
    const bool follower =
        keyCode == kKeyCodeTab || (keyCode >= kKeyCodeLeft && keyCode <= kKeyCodeDown);
    if (!(alt || follower) || !enabled_ || !VisualThemesActive()) {
        return;
    }
    if (!alt && !lastKeyWasAlt_) {
        return;
    }
    lastKeyWasAlt_ = alt;
    form_ = form;
    timer_.start();
}

void TAltKeyRepaint::TimerFired() {
    timer_.stop();
    const int count = RepaintButtonControls(form_.data());
    emit Repainted(count);
}

int RepaintButtonControls(QWidget* form) {
    if (form == nullptr) {
        return 0;
    }
    int count = 0;
    auto repaintAll = [&count](const auto& buttons) {
        for (QWidget* button : buttons) {
            button->repaint();
            ++count;
        }
    };
    repaintAll(form->findChildren<QPushButton*>());
    repaintAll(form->findChildren<QCheckBox*>());
    repaintAll(form->findChildren<QRadioButton*>());
    return count;
}
