#include "platform/wayland/WaylandThumbnail.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include "platform/wayland/StreamPointer.h"
#include "platform/wayland/WindowSource.h"

FrameView::FrameView(QWindow* destination, std::shared_ptr<WindowSource> source)
    : QRasterWindow(destination), source_(std::move(source)) {
    setFlag(Qt::WindowTransparentForInput);
    destination->installEventFilter(this);
    // A new frame repaints the image only; the black around it stays.
    connect(source_.get(), &WindowSource::FrameArrived, this, [this] { update(target_); });
    // The pointer alone moved: only where it was and where it is are drawn again.
    connect(source_.get(), &WindowSource::PointerChanged, this, &FrameView::OnPointerChanged);
}

void FrameView::SetPointerShown(bool shown) {
    if (shown != pointerShown_) {
        pointerShown_ = shown;
        OnPointerChanged();
    }
}

QRect FrameView::PointerRect() const {
    if (!pointerShown_) {
        return {};
    }
    const QImage& frame = source_->Frame();
    return PointerPlacement(source_->Pointer(), target_, frame.size()).intersected(target_);
}

void FrameView::OnPointerChanged() {
    const QRect now = PointerRect();
    if (now != pointerRect_) {
        update(QRegion(pointerRect_).united(now));
    }
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
    pointerRect_ = PointerRect();
    if (!pointerRect_.isEmpty()) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setClipRegion(event->region().intersected(target_));
        painter.drawImage(PointerPlacement(source_->Pointer(), target_, frame.size()),
                          source_->Pointer().shape);
    }
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

WaylandThumbnail::WaylandThumbnail(QWindow* destination, std::shared_ptr<WindowSource> source,
                                   bool pointerShown)
    : source_(std::move(source)),
      destination_(destination),
      view_(new FrameView(destination, source_)) {
    view_->SetPointerShown(pointerShown);
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

void WaylandThumbnail::SetPointerShown(bool shown) {
    if (!view_.isNull()) {
        view_->SetPointerShown(shown);
    }
}

std::optional<QSize> WaylandThumbnail::SourceSize() {
    return source_->Size();
}
