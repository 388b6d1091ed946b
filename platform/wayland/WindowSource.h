// The live image of one window: a portal session that names the window and the PipeWire
// stream that carries it. Thumbnails of the same window share one source; the portal
// session and the stream close when the last user lets it go.
#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

#include "platform/WindowList.h"
#include "platform/wayland/PortalSession.h"
#include "platform/wayland/StreamPointer.h"

class PipeWireLoop;
class PipeWireStream;

class WindowSource : public QObject {
    Q_OBJECT
  public:
    WindowSource(PipeWireLoop& loop, QDBusConnection bus, WindowHandle handle);
    ~WindowSource() override;

    // Opens the portal conversation (the picker, or no dialog with a valid restore token).
    void Start(const QString& restoreToken);
    WindowHandle Handle() const { return handle_; }
    // The newest picture; a null image before the first one.
    const QImage& Frame() const;
    std::optional<QSize> Size() const;
    // The pointer over the window; not present before the stream runs.
    const StreamPointer& Pointer() const;
    bool Streaming() const { return stream_ != nullptr; }
    const PipeWireStream* Stream() const { return stream_.get(); }
    PipeWireStream* Stream() { return stream_.get(); }

  signals:
    void Started(WindowHandle window, const QString& restoreToken);
    void Failed(WindowHandle window, PortalFailure failure, const QString& message);
    // The window is gone (stream ended or the portal closed the session).
    void Ended(WindowHandle window);
    void FrameArrived();
    void PointerChanged();
    void SizeChanged(WindowHandle window, QSize size);
    // A buffer of the stream is gone (see PipeWireStream::BufferRemoved).
    void BufferRemoved(const void* key);

  private:
    void OnPortalStarted(const PortalStream& stream);

    PipeWireLoop& loop_;
    WindowHandle handle_;
    std::unique_ptr<PortalSession> portal_;
    std::unique_ptr<PipeWireStream> stream_;
    QSize announcedSize_;
    bool ended_ = false;
};
