#include "platform/wayland/WaylandDisplayList.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {
QRect DevicePixels(const QScreen* screen) {
    const QRect logical = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    return QRect(logical.topLeft() * ratio, logical.size() * ratio);
}
}  // namespace

WaylandDisplayList::WaylandDisplayList() {
    for (QScreen* screen : QGuiApplication::screens()) {
        Watch(screen);
    }
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        Watch(screen);
        emit Changed();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, &DisplayList::Changed);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, &DisplayList::Changed);
}

void WaylandDisplayList::Watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, &DisplayList::Changed);
}

std::vector<DisplayInfo> WaylandDisplayList::Displays() {
    QList<QScreen*> screens = QGuiApplication::screens();
    const QScreen* primary = QGuiApplication::primaryScreen();
    std::stable_sort(screens.begin(), screens.end(), [primary](QScreen* a, QScreen* b) {
        if ((a == primary) != (b == primary)) {
            return a == primary;
        }
        const QRect ga = a->geometry();
        const QRect gb = b->geometry();
        return ga.left() != gb.left() ? ga.left() < gb.left() : ga.top() < gb.top();
    });
    std::vector<DisplayInfo> displays;
    for (const QScreen* screen : screens) {
        displays.push_back({DevicePixels(screen), screen->name()});
    }
    return displays;
}

QScreen* WaylandDisplayList::ScreenOf(const DisplayInfo& display) {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == display.name) {
            return screen;
        }
    }
    return nullptr;
}
