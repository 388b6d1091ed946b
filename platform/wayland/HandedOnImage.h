// A clone's image handed to the compositor: a desynchronised subsurface of the view's
// surface whose wp_viewport crops each PipeWire buffer to the window and scales it into the
// destination rectangle, and above it a small subsurface with the pointer's shape. Each new
// frame is attached as it is (a wl_buffer on the buffer's memfd, or the compositor's import
// of its DMA-BUF, made once per buffer); the program reads and copies no pixel of it, and
// the buffer goes back to the stream only when the compositor releases it.
#pragma once

#include <QImage>
#include <QRect>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "platform/CloneGeometry.h"
#include "platform/wayland/BufferLedger.h"
#include "platform/wayland/DmaBufImport.h"

struct wl_buffer;
struct wl_shm_pool;
struct wl_subsurface;
struct wl_surface;
struct wp_viewport;
class PipeWireStream;
class SurfaceGlobals;
struct ShmFrame;
struct StreamPointer;

class HandedOnImage {
  public:
    // parent: the wl_surface the image sits on (it stays as it is around the image).
    HandedOnImage(const SurfaceGlobals& globals, wl_surface* parent);
    ~HandedOnImage();
    HandedOnImage(const HandedOnImage&) = delete;
    HandedOnImage& operator=(const HandedOnImage&) = delete;

    // Whether the compositor can show this frame as it is (its format through wl_shm).
    bool Takes(const ShmFrame& frame) const;
    // Attaches frame (of stream) into target (surface-local logical pixels; empty: hidden):
    // the part of the window's picture (its pixels; empty: all of it), turned. The compositor
    // crops, turns and scales it (the viewport and the buffer transform).
    void Show(PipeWireStream& stream, const ShmFrame& frame, const QRect& target, const QRect& part,
              ImageTurn turn);
    // The same for a DMA-BUF frame. Its buffer is imported once; until the compositor has
    // made it, the image keeps the frame before. A refused import drops that layout from the
    // stream's offer (the stream asks the source again).
    void Show(PipeWireStream& stream, const DmaBufFrame& frame, const QRect& target,
              const QRect& part, ImageTurn turn);
    // Detaches the image: the compositor releases its buffer.
    void Hide();
    // Places the pointer's subsurface over the image (not shown: hidden). No image buffer is
    // attached for it.
    void ShowPointer(const StreamPointer& pointer, bool shown);
    // The stream's buffer of key is gone: its wl_buffer goes too.
    void Forget(BufferLedger::Key key);
    // The stream goes away: every buffer the compositor holds counts as given back.
    void Detach(PipeWireStream& stream);
    std::uint64_t Attached() const { return attached_; }
    wl_surface* Surface() const { return surface_; }

    struct Listeners;

  private:
    struct Wrapped {
        HandedOnImage* owner = nullptr;
        BufferLedger::Key key = nullptr;
        PipeWireStream* stream = nullptr;
        wl_shm_pool* pool = nullptr;
        wl_buffer* buffer = nullptr;
        std::unique_ptr<DmaBufImport> import;  // a DMA-BUF's; owns buffer
        std::size_t offset = 0;
        int stride = 0;
        QSize size;
        std::uint32_t format = 0;
        bool busy = false;  // attached and not yet released
    };
    // A new, empty wrapper for the buffer of key; old (the buffer's previous one) is dropped.
    std::unique_ptr<Wrapped> Fresh(std::unique_ptr<Wrapped> old, BufferLedger::Key key);
    Wrapped& WrapperFor(const ShmFrame& frame);
    Wrapped& WrapperFor(PipeWireStream& stream, const DmaBufFrame& frame);
    void OnImported(PipeWireStream& stream, Wrapped& wrapped);
    // Attaches wrapped's buffer (of size, the window at crop in it) as the image.
    void Present(PipeWireStream& stream, Wrapped& wrapped, QSize size, const QRect& crop,
                 const QRect& target, const QRect& part, ImageTurn turn);
    // Sets the viewport (source on the turned buffer, destination) and the buffer transform
    // of the next commit.
    void SetFraming(const QRect& source, QSize destination, ImageTurn turn);
    void Drop(Wrapped& wrapped);
    void OnRelease(Wrapped& wrapped);
    void CommitParent();
    void PlacePointer();

    const SurfaceGlobals& globals_;
    wl_surface* parent_;
    wl_surface* surface_ = nullptr;
    wl_subsurface* subsurface_ = nullptr;
    wp_viewport* viewport_ = nullptr;
    QRect target_;
    QRect shown_;  // the part of the window's picture shown, in its pixels
    ImageTurn turn_ = ImageTurn::None;
    // What the image's surface holds (a new surface: no viewport, no transform).
    struct Framing {
        QRect source;
        QSize destination;
        ImageTurn turn = ImageTurn::None;
    };
    Framing sent_;
    std::map<BufferLedger::Key, std::unique_ptr<Wrapped>> buffers_;
    // The DMA-BUF frame waiting for its import, shown once the compositor made it.
    struct Waiting {
        DmaBufFrame frame;
        QRect target;
        QRect part;
        ImageTurn turn = ImageTurn::None;
    };
    std::optional<Waiting> waiting_;
    std::uint64_t attached_ = 0;

    // The pointer: its own surface above the image, one buffer per shape.
    wl_surface* pointerSurface_ = nullptr;
    wl_subsurface* pointerSubsurface_ = nullptr;
    wp_viewport* pointerViewport_ = nullptr;
    wl_buffer* pointerBuffer_ = nullptr;
    qint64 pointerShapeKey_ = 0;
    QRect pointerRect_;  // where it is, in the image surface's coordinates; empty: hidden
    ImageTurn pointerTurn_ = ImageTurn::None;  // its surface's buffer transform
    bool pointerShown_ = false;
};
