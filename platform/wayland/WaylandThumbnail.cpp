#include "platform/wayland/WaylandThumbnail.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include "platform/wayland/WindowSource.h"

FrameView::FrameView(QWindow* destination, std::shared_ptr<WindowSource> source)
    : QRasterWindow(destination), source_(std::move(source)) {
    setFlag(Qt::WindowTransparentForInput);
    destination->installEventFilter(this);
    // A new frame repaints the image only; the black around it stays.
    connect(source_.get(), &WindowSource::FrameArrived, this, [this] { update(target_); });
}

void FrameView::SetTarget(const QRect& target) {
    const qreal ratio = devicePixelRatio();
    target_ = QRect(target.topLeft() / ratio, target.size() / ratio);
    update();
}

void FrameView::paintEvent(QPaintEvent* event) {
    ++paints_;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QImage& frame = source_->Frame();
    const QRegion black = frame.isNull() ? event->region() : event->region().subtracted(target_);
    for (const QRect& rect : black) {
        painter.fillRect(rect, Qt::black);
    }
    if (frame.isNull() || !event->region().intersects(target_)) {
        return;
    }
    // The one copy of a frame: scaled from the mapped PipeWire buffer into our surface.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipRegion(event->region());
    painter.drawImage(target_, frame);
}

bool FrameView::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            QWindow* clone = parent();
            if (clone == nullptr) {
                return false;
            }
            const QPointF inClone = mouse->position() + QPointF(position());
            QMouseEvent handedOn(mouse->type(), inClone, inClone, mouse->globalPosition(),
                                 mouse->button(), mouse->buttons(), mouse->modifiers(),
                                 mouse->pointingDevice());
            QCoreApplication::sendEvent(clone, &handedOn);
            return true;
        }
        default:
            return QRasterWindow::event(event);
    }
}

bool FrameView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == parent()) {
        setGeometry(QRect(QPoint(0, 0), static_cast<QResizeEvent*>(event)->size()));
    }
    return false;
}

WaylandThumbnail::WaylandThumbnail(QWindow* destination, std::shared_ptr<WindowSource> source)
    : source_(std::move(source)),
      destination_(destination),
      view_(new FrameView(destination, source_)) {
    // The view is shown at once, black until placed, and stays: a subsurface that appears
    // later only shows once its parent commits again, which an idle clone never does.
    view_->setGeometry(QRect(QPoint(0, 0), destination->size()));
    view_->show();
    // The size is known only once frames arrive: the owner places the image again.
    QObject::connect(source_.get(), &WindowSource::SizeChanged, view_.data(),
                     [this] { NotifySourceResized(); });
}

WaylandThumbnail::~WaylandThumbnail() {
    // The destination may already have taken its child window with it.
    delete view_.data();
}

bool WaylandThumbnail::Place(const QRect& destination, bool visible) {
    if (view_.isNull() || destination_.isNull()) {
        return false;
    }
    view_->setGeometry(QRect(QPoint(0, 0), destination_->size()));
    view_->SetTarget(visible ? destination : QRect());
    return true;
}

std::optional<QSize> WaylandThumbnail::SourceSize() {
    return source_->Size();
}
