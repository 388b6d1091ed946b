// One PipeWire video stream consumed on the Qt event loop. It keeps the newest picture's
// buffer dequeued until a newer one arrives and offers it as a file the compositor can map
// (shared memory) or import (DMA-BUF); a shared-memory picture is also a QImage pointing
// into the mapped buffer, for drawing. DMA-BUF pictures are never read by the program.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "platform/wayland/BufferLedger.h"
#include "platform/wayland/DmaBufImport.h"
#include "platform/wayland/DmaBufOffer.h"
#include "platform/wayland/MemFdPlace.h"
#include "platform/wayland/StreamPointer.h"

class PipeWireLoop;

// The newest picture as shared memory the compositor can map itself (a wl_shm pool on fd).
struct ShmFrame {
    BufferLedger::Key key = nullptr;  // the PipeWire buffer, until BufferRemoved(key)
    int fd = -1;                      // owned by PipeWire
    std::size_t poolSize = 0;         // bytes of fd to map
    std::size_t offset = 0;           // of the first row in fd
    int stride = 0;
    QSize size;  // the whole buffer's picture
    QRect crop;  // the window inside it
    std::uint32_t videoFormat = 0;
};

class PipeWireStream : public QObject {
    Q_OBJECT
  public:
    // Connects to the PipeWire remote behind fd (taken over; -1: the default remote) and
    // links to node nodeId, offering the DMA-BUF layouts of dmaBuf before shared memory.
    PipeWireStream(PipeWireLoop& loop, int fd, std::uint32_t nodeId, DmaBufOffer dmaBuf = {});
    ~PipeWireStream() override;
    PipeWireStream(const PipeWireStream&) = delete;
    PipeWireStream& operator=(const PipeWireStream&) = delete;

    // The newest shared-memory picture, cropped to the window; null before the first one and
    // for DMA-BUF pictures. Valid until the next FrameArrived or the stream's destruction.
    const QImage& Frame() const { return frame_; }
    // The window's size: the newest picture's, else the negotiated video size; empty before.
    QSize SourceSize() const;
    // The pointer over the window as the newest buffers describe it.
    const StreamPointer& Pointer() const { return pointer_; }
    // The DMA-BUF layouts offered now (fewer after refused imports).
    const DmaBufOffer& DmaBufOffered() const { return dmaBuf_; }
    // Whether the producer chose DMA-BUF (empty before a format is agreed).
    std::optional<bool> DmaBufNegotiated() const;
    bool HasEnded() const { return ended_; }
    // The newest picture as an fd-backed buffer; empty before one or when its memory has no
    // fd (then it can only be drawn).
    std::optional<ShmFrame> NewestShm() const;
    // The newest picture as a DMA-BUF; empty before one and for shared memory.
    std::optional<DmaBufFrame> NewestDmaBuf() const;
    // The compositor refused to import videoFormat with modifier: that layout is no longer
    // offered and the producer is asked again (shared memory when none is left).
    void RefuseDmaBuf(std::uint32_t videoFormat, std::uint64_t modifier);
    // No DMA-BUF from now on: the frames cannot be handed on.
    void RefuseAllDmaBuf();
    // The compositor took / gave back the buffer of key: it stays out of the stream while
    // held and goes back when released and no longer the newest.
    void HoldBuffer(BufferLedger::Key key);
    void ReleaseBuffer(BufferLedger::Key key);
    // Whether the program keeps key from the stream (newest or held), for tests.
    bool Keeps(BufferLedger::Key key) const { return ledger_.Kept(key); }
    std::uint64_t FramesReceived() const { return framesReceived_; }

  signals:
    void FrameArrived();
    void SizeChanged(QSize size);
    // The pointer moved or changed shape without a new picture (a cursor-only buffer).
    void PointerChanged();
    // The source went away (its node was removed, the link failed or the remote broke).
    // Delivered from the event loop, never from inside a PipeWire callback.
    void Ended(const QString& reason);
    // The buffer of key leaves the stream: whoever wraps its memory lets it go now.
    void BufferRemoved(BufferLedger::Key key);

  public:
    // PipeWire's callbacks; they live in the implementation file.
    struct Callbacks;

  private:
    void OnProcess();
    void OnFormat(std::uint32_t videoFormat, QSize size, std::optional<std::uint64_t> modifier);
    // Offers the formats again after the DMA-BUF offer changed (soon, from the event loop).
    void Renegotiate();
    void OfferFormats();
    // Keeps a DMA-BUF picture: its buffer is the newest, nothing is read.
    void TakeDmaBuf(struct pw_buffer* buffer);
    // buffer holds the newest picture, the window at crop inside it; picture: its pixels to
    // draw (null for a DMA-BUF). The buffer before goes back unless the compositor holds it.
    void KeepNewest(struct pw_buffer* buffer, const QRect& crop, const QImage& picture);
    void OnStreamState(int state, const char* error);
    void OnGlobalRemoved(std::uint32_t id);
    void End(const QString& reason);
    void TakeBuffer(struct pw_buffer* buffer);
    void GiveBack(BufferLedger::Key key);
    void OnBufferAdded(struct pw_buffer* buffer);
    void OnBufferRemoved(struct pw_buffer* buffer);

    struct Handles;
    PipeWireLoop& loop_;
    std::unique_ptr<Handles> handles_;
    std::uint32_t nodeId_;
    std::uint32_t videoFormat_ = 0;
    QSize videoSize_;
    bool formatKnown_ = false;
    std::optional<std::uint64_t> modifier_;  // set when the frames come as DMA-BUF
    DmaBufOffer dmaBuf_;
    StreamPointer pointer_;
    QImage frame_;
    QSize pictureSize_;  // the newest picture's window, whatever its memory
    BufferLedger ledger_;
    std::map<BufferLedger::Key, std::optional<MemFdPlace>> places_;
    QRect newestCrop_;
    bool streaming_ = false;
    bool renegotiating_ = false;
    bool ended_ = false;
    std::uint64_t framesReceived_ = 0;
};
