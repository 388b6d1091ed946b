#include "widgets/DeviceGeometry.h"

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

// The rectangle with its distances from origin divided by ratio; origin stays where it is.
QRect ScaledAround(const QRect& device, const QPoint& origin, qreal ratio) {
    const QPoint offset = device.topLeft() - origin;
    const QPoint topLeft(origin.x() + Scaled(offset.x(), ratio),
                         origin.y() + Scaled(offset.y(), ratio));
    return {topLeft, QSize(Scaled(device.width(), ratio), Scaled(device.height(), ratio))};
}

}  // namespace

QRect LogicalFromDeviceRect(const QRect& device, const QList<ScreenScale>& screens,
                            qreal fallbackRatio) {
    for (const ScreenScale& screen : screens) {
        if (screen.ratio > 0.0 && DeviceArea(screen).contains(device.topLeft())) {
            return ScaledAround(device, screen.logical.topLeft(), screen.ratio);
        }
    }
    return ScaledAround(device, QPoint(), fallbackRatio > 0.0 ? fallbackRatio : 1.0);
}

QList<ScreenScale> CurrentScreenScales() {
    QList<ScreenScale> result;
    for (const QScreen* screen : QGuiApplication::screens()) {
        result.append({screen->geometry(), screen->devicePixelRatio()});
    }
    return result;
}
