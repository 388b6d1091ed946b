#include "platform/wayland/WaylandThumbnail.h"

#include <qpa/qplatformnativeinterface.h>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPlatformSurfaceEvent>

#include <QTransform>

#include <array>
#include <cstdio>

#include "platform/wayland/HandedOnImage.h"
#include "platform/wayland/PipeWireStream.h"
#include "platform/wayland/StreamPointer.h"
#include "platform/wayland/SurfaceGlobals.h"
#include "platform/wayland/WindowSource.h"

namespace {

wl_surface* SurfaceOf(QWindow* window) {
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    if (native == nullptr || window->handle() == nullptr) {
        return nullptr;
    }
    return static_cast<wl_surface*>(
        native->nativeResourceForWindow(QByteArrayLiteral("surface"), window));
}

}  // namespace

FrameView::FrameView(QWindow* destination, std::shared_ptr<WindowSource> source)
    : QRasterWindow(destination), source_(std::move(source)) {
    setFlag(Qt::WindowTransparentForInput);
    destination->installEventFilter(this);
    connect(source_.get(), &WindowSource::FrameArrived, this, &FrameView::OnFrameArrived);
    connect(source_.get(), &WindowSource::BufferRemoved, this, [this](const void* key) {
        if (handedOn_) {
            handedOn_->Forget(key);
        }
    });
    // The pointer alone moved: only where it was and where it is are drawn again.
    connect(source_.get(), &WindowSource::PointerChanged, this, &FrameView::OnPointerChanged);
}

FrameView::~FrameView() {
    handedOn_.reset();
}

std::uint64_t FrameView::HandedOnCount() const {
    return handedOn_ ? handedOn_->Attached() : 0;
}

wl_surface* FrameView::ImageSurface() const {
    return handedOn_ ? handedOn_->Surface() : nullptr;
}

FramePathFacts FrameView::Facts(bool memFd, std::uint32_t videoFormat, bool dmaBuf) {
    FramePathFacts facts;
    facts.memFd = memFd;
    facts.dmaBuf = dmaBuf;
    if (!globals_) {
        globals_ = std::make_unique<SurfaceGlobals>(QtWaylandDisplay());
    }
    facts.surfaceKnown =
        handingOnAllowed_ && globals_->Compositor() != nullptr && SurfaceOf(this) != nullptr;
    facts.subcompositor = globals_->Subcompositor() != nullptr;
    facts.viewporter = globals_->Viewporter() != nullptr;
    facts.linuxDmaBuf = globals_->LinuxDmaBuf() != nullptr;
    const std::uint32_t format = ShmFormatForVideoFormat(videoFormat);
    facts.shmFormat = globals_->Shm() != nullptr && format != 0 && globals_->ShmTakes(format);
    return facts;
}

void FrameView::OnFrameArrived() {
    ShowNewest();
    if (!HandingOn()) {
        // A new frame repaints the image only; the black around it stays.
        update(target_);
    }
}

void FrameView::ChoosePath(const FrameKind& kind) {
    kind_ = kind;
    const FramePathFacts facts = Facts(kind.memFd, kind.videoFormat, kind.dmaBuf);
    const FramePath path = ChooseFramePath(facts);
    if (path == path_) {
        return;
    }
    std::fprintf(stderr, "vantrel: %s\n", qPrintable(DescribeFramePath(path, facts)));
    path_ = path;
    if (!HandingOn() && handedOn_) {
        handedOn_->Hide();
        handedOn_->ShowPointer({}, false);
    }
    FitToClone();
    update();
}

void FrameView::ShowNewest() {
    PipeWireStream* stream = source_->Stream();
    if (stream == nullptr) {
        return;
    }
    const std::optional<DmaBufFrame> dmaBuf = stream->NewestDmaBuf();
    const std::optional<ShmFrame> shm = dmaBuf ? std::nullopt : stream->NewestShm();
    if (!dmaBuf && !shm && source_->Frame().isNull()) {
        return;
    }
    // The path is chosen again only when the kind of frame changes.
    const FrameKind kind{shm.has_value(), shm ? shm->videoFormat : 0, dmaBuf.has_value()};
    if (!path_ || kind != kind_) {
        ChoosePath(kind);
    }
    if (!HandingOn()) {
        if (dmaBuf) {
            stream->RefuseAllDmaBuf();  // the program does not read GPU memory
        }
        return;
    }
    if (!handedOn_) {
        handedOn_ = std::make_unique<HandedOnImage>(*globals_, SurfaceOf(this));
    }
    if (dmaBuf) {
        handedOn_->Show(*stream, *dmaBuf, target_, part_, turn_);
    } else {
        handedOn_->Show(*stream, *shm, target_, part_, turn_);
    }
    handedOn_->ShowPointer(source_->Pointer(), pointerShown_);
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
    return PointerPlacementOnPart(source_->Pointer(), Shown(source_->Frame().size()), turn_,
                                  target_)
        .intersected(target_);
}

QRect FrameView::Shown(QSize picture) const {
    const QRect whole(QPoint(0, 0), picture);
    const QRect part = part_.intersected(whole);
    return part.isEmpty() ? whole : part;
}

void FrameView::SetSource(const QRect& part, ImageTurn turn) {
    part_ = part;
    turn_ = turn;
    update();
}

void FrameView::OnPointerChanged() {
    if (HandingOn()) {
        if (handedOn_) {
            handedOn_->ShowPointer(source_->Pointer(), pointerShown_);
        }
        return;
    }
    const QRect now = PointerRect();
    if (now != pointerRect_) {
        update(QRegion(pointerRect_).united(now));
    }
}

void FrameView::SetTarget(const QRect& target) {
    const qreal ratio = devicePixelRatio();
    target_ = QRect(target.topLeft() / ratio, target.size() / ratio);
    if (HandingOn()) {
        ShowNewest();
    }
    update();
}

void FrameView::paintEvent(QPaintEvent* event) {
    ++paints_;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QImage frame = HandingOn() ? QImage() : source_->Frame();
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
    const QRect shown = Shown(frame.size());
    // The painter draws the window's pixels where the destination maps back onto them.
    const std::array<double, 6> m = DestinationToSource(shown, turn_, target_.size());
    const QTransform toSource(m[0], m[3], m[1], m[4], m[2], m[5]);
    const QTransform toTarget =
        toSource.inverted() * QTransform::fromTranslate(target_.x(), target_.y());
    painter.setTransform(toTarget);
    painter.drawImage(shown.topLeft(), frame, shown);
    painter.resetTransform();
    pointerRect_ = PointerRect();
    if (!pointerRect_.isEmpty()) {
        // The shape goes through the image's transform: placed, scaled and turned with it.
        const StreamPointer& pointer = source_->Pointer();
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setClipRegion(event->region().intersected(target_));
        painter.setTransform(toTarget);
        painter.drawImage(QRect(pointer.position - pointer.hotspot, pointer.shape.size()),
                          pointer.shape);
    }
}

bool FrameView::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::PlatformSurface:
            // The image's subsurface cannot outlive the surface it sits on.
            if (static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed) {
                handedOn_.reset();
                path_.reset();
            }
            return QRasterWindow::event(event);
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            QWindow* clone = parent();
            if (clone == nullptr) {
                return false;
            }
            // As on the clone itself: the press of a double click is held back, the double
            // click alone goes on.
            if (mouse->flags().testFlag(Qt::MouseEventCreatedDoubleClick)) {
                return true;
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
        FitToClone();
    }
    return false;
}

void FrameView::FitToClone() {
    const QWindow* clone = parent();
    if (clone == nullptr) {
        return;
    }
    // The view stays where it is: its position takes effect only with a commit of the
    // clone's surface, its size with its own.
    setGeometry(QRect(QPoint(0, 0), HandingOn() ? QSize(1, 1) : clone->size()));
}

WaylandThumbnail::WaylandThumbnail(QWindow* destination, std::shared_ptr<WindowSource> source,
                                   bool pointerShown)
    : source_(std::move(source)),
      destination_(destination),
      view_(new FrameView(destination, source_)) {
    view_->SetPointerShown(pointerShown);
    // The view is shown at once, black until placed, and stays: a subsurface that appears
    // later only shows once its parent commits again, which an idle clone never does.
    view_->FitToClone();
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
    view_->FitToClone();
    view_->SetTarget(visible ? destination : QRect());
    return true;
}

bool WaylandThumbnail::SetSource(const QRect& part, ImageTurn turn) {
    if (view_.isNull()) {
        return false;
    }
    view_->SetSource(part, turn);
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
