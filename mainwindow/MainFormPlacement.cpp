#include "mainwindow/MainFormPlacement.h"

#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// What a window manager's frame is assumed to take before it is known.
const QMargins kFrameAllowance(8, 32, 8, 8);
// Below this the bottom buttons would overlap; the window is never made smaller to fit.
const QSize kSmallestSize(420, 240);

}  // namespace

void CentreInWorkArea(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QRect inner = window.geometry();
    const QRect outer = window.frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    // Before the first show the window manager's frame may not be known yet: allow for a
    // title bar and borders.
    const QSize room = area.size().shrunkBy(frame.isNull() ? kFrameAllowance : frame);
    if (window.width() > room.width() || window.height() > room.height()) {
        window.resize(window.size().boundedTo(room).expandedTo(kSmallestSize));
    }
    QRect bounds(QPoint(0, 0), window.size().grownBy(frame));
    bounds.moveCenter(area.center());
    bounds.moveTop(std::max(bounds.top(), area.top()));
    bounds.moveLeft(std::max(bounds.left(), area.left()));
    window.move(bounds.topLeft());
}
