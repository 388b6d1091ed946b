#include "monitors/DeviceGeometry.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace {

QRect DeviceArea(const ScreenScale& screen) {
    const QPoint origin = screen.logical.topLeft();
    const int width = static_cast<int>(std::lround(screen.logical.width() * screen.ratio));
    const int height = static_cast<int>(std::lround(screen.logical.height() * screen.ratio));
    return {origin, QSize(width, height)};
}

int Scaled(int distance, qreal ratio) {
    return static_cast<int>(std::lround(distance / ratio));
}

}  // namespace

QRect LogicalFromDeviceRect(const QRect& device, const QList<ScreenScale>& screens) {
    for (const ScreenScale& screen : screens) {
        if (screen.ratio <= 0.0 || !DeviceArea(screen).contains(device.topLeft())) {
            continue;
        }
        const QPoint origin = screen.logical.topLeft();
        const QPoint offset = device.topLeft() - origin;
        const QPoint topLeft(origin.x() + Scaled(offset.x(), screen.ratio),
                             origin.y() + Scaled(offset.y(), screen.ratio));
        return {topLeft,
                QSize(Scaled(device.width(), screen.ratio), Scaled(device.height(), screen.ratio))};
    }
    return device;
}

QList<ScreenScale> CurrentScreenScales() {
    QList<ScreenScale> result;
    for (const QScreen* screen : QGuiApplication::screens()) {
        result.append({screen->geometry(), screen->devicePixelRatio()});
    }
    return result;
}
