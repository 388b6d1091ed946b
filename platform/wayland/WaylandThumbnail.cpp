#include "platform/wayland/WaylandThumbnail.h"

#include <QPainter>

#include "platform/wayland/WindowSource.h"

FrameView::FrameView(QWindow* destination, std::shared_ptr<WindowSource> source)
    : QRasterWindow(destination), source_(std::move(source)) {
    // Clicks go to the clone below, which toggles between fitted and natural size.
    setFlag(Qt::WindowTransparentForInput);
    connect(source_.get(), &WindowSource::FrameArrived, this, [this] { update(); });
}

void FrameView::paintEvent(QPaintEvent*) {
    ++paints_;
    QPainter painter(this);
    const QImage& frame = source_->Frame();
    if (frame.isNull()) {
        painter.fillRect(QRect(QPoint(0, 0), size()), Qt::black);
        return;
    }
    // The one copy of a frame: scaled from the mapped PipeWire buffer into our surface.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRect(QPoint(0, 0), size()), frame);
}

WaylandThumbnail::WaylandThumbnail(QWindow* destination, std::shared_ptr<WindowSource> source)
    : source_(std::move(source)),
      destination_(destination),
      view_(new FrameView(destination, source_)) {}

WaylandThumbnail::~WaylandThumbnail() {
    // The destination may already have taken its child window with it.
    delete view_.data();
}

bool WaylandThumbnail::Place(const QRect& destination, bool visible) {
    if (view_.isNull() || destination_.isNull()) {
        return false;
    }
    const qreal ratio = destination_->devicePixelRatio();
    const QRect logical(destination.topLeft() / ratio, destination.size() / ratio);
    view_->setGeometry(logical);
    view_->setVisible(visible && !logical.isEmpty());
    return true;
}

std::optional<QSize> WaylandThumbnail::SourceSize() {
    return source_->Size();
}
