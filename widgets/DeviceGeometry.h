// Converting a rectangle in device pixels of the virtual screen (as the window query reports
// displays) into Qt's logical coordinates, so a window placed with it covers exactly those
// device pixels also when Qt scales the screens.
#pragma once

#include <QList>
#include <QRect>

struct ScreenScale {
    QRect logical;      // the screen's geometry in logical coordinates
    qreal ratio = 1.0;  // device pixels per logical pixel
};

// Qt keeps a screen's origin unscaled and scales distances from it, so a device rectangle on
// a screen maps to origin + (rect - origin) / ratio. The screen is the one whose device area
// holds the rectangle's top-left corner; a rectangle on no known screen is scaled by
// fallbackRatio around the virtual desktop's origin (so by default taken as is).
QRect LogicalFromDeviceRect(const QRect& device, const QList<ScreenScale>& screens,
                            qreal fallbackRatio = 1.0);

// The screens of the running application.
QList<ScreenScale> CurrentScreenScales();
