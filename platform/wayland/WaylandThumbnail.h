// A thumbnail on Wayland, where no compositor draws one window into another for us: a child
// window of the clone (a subsurface) on the destination rectangle, into which the newest
// frame of the source is painted, scaled bilinearly, each time a frame arrives.
#pragma once

#include <QPointer>
#include <QRasterWindow>

#include <memory>

#include "platform/Compositor.h"

class WindowSource;

class FrameView : public QRasterWindow {
    Q_OBJECT
  public:
    FrameView(QWindow* destination, std::shared_ptr<WindowSource> source);
    std::uint64_t PaintCount() const { return paints_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::shared_ptr<WindowSource> source_;
    std::uint64_t paints_ = 0;
};

class WaylandThumbnail : public Thumbnail {
  public:
    WaylandThumbnail(QWindow* destination, std::shared_ptr<WindowSource> source);
    ~WaylandThumbnail() override;
    bool Place(const QRect& destination, bool visible) override;
    std::optional<QSize> SourceSize() override;
    // For tests and benchmarks: the view that draws.
    const FrameView* View() const { return view_.data(); }

  private:
    std::shared_ptr<WindowSource> source_;
    QPointer<QWindow> destination_;
    QPointer<FrameView> view_;
};
