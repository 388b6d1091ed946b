// A thumbnail on Wayland: a child window (a subsurface) covering the clone, black. Where the
// compositor can scale (wp_viewporter) and map or import the frames' memory, each frame is
// handed to it on a subsurface of that view (HandedOnImage); otherwise the newest
// shared-memory frame is painted into the view's destination rectangle, scaled bilinearly,
// each time a frame arrives (a DMA-BUF stream is then asked for shared memory instead).
// The view itself never moves: its position only takes effect with a commit of the clone's
// own surface, which nothing else would make.
#pragma once

#include <QPointer>
#include <QRasterWindow>

#include <memory>
#include <optional>

#include "platform/Compositor.h"
#include "platform/wayland/FramePath.h"

class HandedOnImage;
struct wl_surface;
class SurfaceGlobals;
class WindowSource;

class FrameView : public QRasterWindow {
    Q_OBJECT
  public:
    FrameView(QWindow* destination, std::shared_ptr<WindowSource> source);
    ~FrameView() override;
    std::uint64_t PaintCount() const { return paints_; }
    // How the frames reach the screen; empty before the first frame.
    std::optional<FramePath> Path() const { return path_; }
    // Image buffers attached for the compositor so far.
    std::uint64_t HandedOnCount() const;
    // The surface handed-on frames are committed to (null while drawing), for benchmarks
    // that ask the compositor when it presented them.
    wl_surface* ImageSurface() const;
    // For benchmarks: whether frames may be handed on at all (on by default).
    void AllowHandingOn(bool allowed) { handingOnAllowed_ = allowed; }
    // Where the image goes, in the view's device pixels.
    void SetTarget(const QRect& target);
    // Which part of the window is shown (its pixels; empty: all of it) and how it is turned.
    void SetSource(const QRect& part, ImageTurn turn);
    // Whether the source's pointer is drawn over the image (on by default).
    void SetPointerShown(bool shown);
    // Covers the clone while the view draws; while frames are handed on it keeps one pixel
    // in the clone's corner (the clone is black around the image): the compositor would
    // otherwise blend the view's full-size buffer under the image at every frame.
    void FitToClone();

  protected:
    void paintEvent(QPaintEvent* event) override;
    // Qt 6.4 gives a subsurface no empty input region, so the view receives the clicks on
    // the image: they are handed on to the clone, as if the view were not there.
    bool event(QEvent* event) override;
    // Keeps the view over the whole clone when the clone changes size.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Where the pointer goes now (logical pixels, inside the image); empty when not drawn.
    QRect PointerRect() const;
    void OnPointerChanged();
    void OnFrameArrived();
    // Picks the path for the newest frame, says so on standard error when it changes, and
    // hands the frame on when that is the path.
    void ShowNewest();
    // What decides the path of a frame besides the compositor.
    struct FrameKind {
        bool memFd = false;
        std::uint32_t videoFormat = 0;
        bool dmaBuf = false;
        bool operator==(const FrameKind&) const = default;
    };
    // Chooses the path for frames of kind, and says so on standard error when it changes.
    void ChoosePath(const FrameKind& kind);
    FramePathFacts Facts(bool memFd, std::uint32_t videoFormat, bool dmaBuf);
    // The part of a picture of the given size that is shown.
    QRect Shown(QSize picture) const;
    bool HandingOn() const {
        return path_ == FramePath::HandedOnShm || path_ == FramePath::HandedOnDmaBuf;
    }

    std::shared_ptr<WindowSource> source_;
    QRect target_;       // logical pixels
    QRect pointerRect_;  // where the last paint put the pointer
    QRect part_;         // of the window's picture; empty: all of it
    ImageTurn turn_ = ImageTurn::None;
    bool pointerShown_ = true;
    std::uint64_t paints_ = 0;
    std::optional<FramePath> path_;
    FrameKind kind_;  // of the frame the path was chosen for
    bool handingOnAllowed_ = true;
    std::unique_ptr<SurfaceGlobals> globals_;
    std::unique_ptr<HandedOnImage> handedOn_;  // gone with the view's wl_surface
};

class WaylandThumbnail : public Thumbnail {
  public:
    WaylandThumbnail(QWindow* destination, std::shared_ptr<WindowSource> source,
                     bool pointerShown = true);
    ~WaylandThumbnail() override;
    void SetPointerShown(bool shown);
    bool Place(const QRect& destination, bool visible) override;
    // Both paths crop and turn: the compositor when frames are handed on, else the painter.
    bool SetSource(const QRect& part, ImageTurn turn) override;
    std::optional<QSize> SourceSize() override;
    // For tests and benchmarks: the view that draws.
    const FrameView* View() const { return view_.data(); }
    FrameView* View() { return view_.data(); }
    const WindowSource& Source() const { return *source_; }

  private:
    std::shared_ptr<WindowSource> source_;
    QPointer<QWindow> destination_;
    QPointer<FrameView> view_;
};
