#include "clone/WindowCloneUnit.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScreen>

#include <algorithm>
#include <climits>
#include <cmath>

#include "clone/CloneWindowHints.h"
#include "platform/Compositor.h"
#include "platform/ImportUnit.h"

namespace {

// Rounds to the nearest integer with halves to the even neighbour: nearbyint in the default
// rounding mode (to nearest). Out-of-range results are clamped, never undefined.
long long RoundHalfEven(long double value) {
    const long double r = std::nearbyint(value);
    if (r >= static_cast<long double>(INT_MAX)) {
        return INT_MAX;
    }
    if (r <= static_cast<long double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<long long>(r);
}

// Qt places windows in device-independent pixels. A screen keeps its top-left corner in
// both systems and scales the rest by its ratio, so a rectangle in device pixels is mapped
// through the screen that holds its top-left corner.
QRect LogicalRect(const DisplayRect& r) {
    const QPoint corner(r.left, r.top);
    // Outside every screen: the application's ratio, around the virtual desktop's origin.
    qreal ratio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
    QPoint origin;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect logical = screen->geometry();
        const qreal dpr = screen->devicePixelRatio();
        const QRect native(logical.topLeft(), logical.size() * dpr);
        if (native.contains(corner)) {
            ratio = dpr;
            origin = logical.topLeft();
            break;
        }
    }
    const auto scale = [ratio](int v) { return static_cast<int>(std::lround(v / ratio)); };
    return QRect(origin.x() + scale(r.left - origin.x()), origin.y() + scale(r.top - origin.y()),
                 scale(r.width), scale(r.height));
}

}  // namespace

void FitThumbnailSize(int sourceWidth, int sourceHeight, int clientWidth, int clientHeight,
                      int& width, int& height) {
    if (sourceWidth <= 0 || sourceHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) {
        width = 0;
        height = 0;
        return;
    }
    using Real = long double;  // 64-bit mantissa on x86-64
    // Each quotient is formed first, then multiplied, so the results round as specified.
    const long long t =
        RoundHalfEven((static_cast<Real>(clientWidth) / clientHeight) * sourceHeight);
    if (sourceWidth > t) {
        width = clientWidth;
        height = static_cast<int>(
            RoundHalfEven((static_cast<Real>(clientWidth) / sourceWidth) * sourceHeight));
    } else {
        width = static_cast<int>(
            RoundHalfEven((static_cast<Real>(clientHeight) / sourceHeight) * sourceWidth));
        height = clientHeight;
    }
}

std::optional<EdgeRect> ThumbnailDestination(PixelSize source, PixelSize client, bool fit) {
    if (source.width <= 0 || source.height <= 0 || client.width <= 0 || client.height <= 0) {
        return std::nullopt;
    }
    int width = source.width;
    int height = source.height;
    if (fit) {
        FitThumbnailSize(source.width, source.height, client.width, client.height, width, height);
    }
    // C++ division truncates toward zero: the same inset on both sides, negative when the
    // image is larger than the client (it is then cropped by the window).
    const int dx = (client.width - width) / 2;
    const int dy = (client.height - height) / 2;
    return EdgeRect{dx, dy, client.width - dx, client.height - dy};
}

TCloneForm::TCloneForm(QWidget* owner) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("CloneForm"));
    setWindowTitle(QStringLiteral("Window Clone"));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);
    // X windows cannot be empty: a display that reports no area gives a 1 x 1 clone.
    setMinimumSize(1, 1);
    resize(832, 749);
    // The native window exists from here on (the thumbnail's destination), still unmapped.
    winId();
    ExcludeFromTaskbar(this);
    if (owner != nullptr) {
        connect(owner, &QObject::destroyed, this, [this] { delete this; });
    }
}

TCloneForm::~TCloneForm() {
    ReleaseThumbnail();
}

PixelSize TCloneForm::ClientPixelSize() const {
    const qreal ratio = devicePixelRatioF();
    return {static_cast<int>(std::lround(width() * ratio)),
            static_cast<int>(std::lround(height() * ratio))};
}

void TCloneForm::StartClone(WindowHandle sourceWindow, int displayIndex) {
    // A restarted clone gives its previous image back first, so nothing is left registered.
    ReleaseThumbnail();
    FAllowClose = false;
    FThumbnail = 0;
    FSourceWindow = sourceWindow;
    FFitToWindow = true;
    ThumbnailHandle thumbnail = 0;
    const auto destination = static_cast<WindowHandle>(winId());
    if (RegisterThumbnail(destination, FSourceWindow, &thumbnail) == kResultOk) {
        FThumbnail = thumbnail;
        UpdatePlacement();
    }
    DisplayRect display;
    GetMonitorInfo(displayIndex, &display.left, &display.top, &display.width, &display.height);
    PlaceOnDisplay(display);
}

void TCloneForm::PlaceOnDisplay(const DisplayRect& rect) {
    QRect bounds = LogicalRect(rect);
    bounds.setWidth(std::max(bounds.width(), 1));
    bounds.setHeight(std::max(bounds.height(), 1));
    // One operation; when the size changes, the resize event fits the image to the display.
    setGeometry(bounds);
}

void TCloneForm::CloseClone() {
    FAllowClose = true;
    close();
}

void TCloneForm::UpdatePlacement() {
    if (FThumbnail == 0) {
        return;
    }
    PixelSize source;
    QueryThumbnailSourceSize(FThumbnail, &source);
    // A zero size (a failed query, a collapsed window) has no fit: the last placement stays.
    const std::optional<EdgeRect> destination =
        ThumbnailDestination(source, ClientPixelSize(), FFitToWindow);
    if (!destination) {
        return;
    }
    ThumbnailProperties properties;
    properties.flags =
        kThumbnailRectDestination | kThumbnailVisible | kThumbnailSourceClientAreaOnly;
    properties.destination = *destination;
    properties.visible = true;
    properties.sourceClientAreaOnly = true;
    UpdateThumbnailProperties(FThumbnail, properties);
}

void TCloneForm::ReleaseThumbnail() {
    if (FThumbnail != 0 && HasPlatform()) {
        UnregisterThumbnail(FThumbnail);
    }
    FThumbnail = 0;
}

void TCloneForm::FormResize() {
    UpdatePlacement();
}

void TCloneForm::FormClick() {
    FFitToWindow = !FFitToWindow;
    UpdatePlacement();
}

bool TCloneForm::FormCloseQuery() const {
    return FAllowClose;
}

void TCloneForm::FormClose() {
    ReleaseThumbnail();
}

void TCloneForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TCloneForm::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        FormClick();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void TCloneForm::closeEvent(QCloseEvent* event) {
    // Only CloseClone closes a clone; every other request (the window manager's close
    // message, Alt+F4) is refused and the clone stays.
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    FormClose();
}
