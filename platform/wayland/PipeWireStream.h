// One PipeWire video stream consumed on the Qt event loop. It keeps the newest picture
// mapped (the buffer stays dequeued until a newer one arrives) and offers it as a QImage
// that points into the buffer: drawing it is the only copy of a frame.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>

class PipeWireLoop;

class PipeWireStream : public QObject {
    Q_OBJECT
  public:
    // Connects to the PipeWire remote behind fd (taken over; -1: the default remote) and
    // links to node nodeId.
    PipeWireStream(PipeWireLoop& loop, int fd, std::uint32_t nodeId);
    ~PipeWireStream() override;
    PipeWireStream(const PipeWireStream&) = delete;
    PipeWireStream& operator=(const PipeWireStream&) = delete;

    // The newest picture, cropped to the window; null before the first one. Valid until the
    // next FrameArrived or the stream's destruction.
    const QImage& Frame() const { return frame_; }
    // The window's size: the newest picture's, else the negotiated video size; empty before.
    QSize SourceSize() const;
    bool HasEnded() const { return ended_; }
    std::uint64_t FramesReceived() const { return framesReceived_; }

  signals:
    void FrameArrived();
    void SizeChanged(QSize size);
    // The source went away (its node was removed, the link failed or the remote broke).
    // Delivered from the event loop, never from inside a PipeWire callback.
    void Ended(const QString& reason);

  public:
    // PipeWire's callbacks; they live in the implementation file.
    struct Callbacks;

  private:
    void OnProcess();
    void OnFormat(std::uint32_t videoFormat, QSize size);
    void OnStreamState(int state, const char* error);
    void OnGlobalRemoved(std::uint32_t id);
    void End(const QString& reason);
    void ReleaseHeld();
    void TakeBuffer(struct pw_buffer* buffer);

    struct Handles;
    PipeWireLoop& loop_;
    std::unique_ptr<Handles> handles_;
    std::uint32_t nodeId_;
    std::uint32_t videoFormat_ = 0;
    QSize videoSize_;
    QImage frame_;
    struct pw_buffer* held_ = nullptr;
    bool streaming_ = false;
    bool ended_ = false;
    std::uint64_t framesReceived_ = 0;
};
