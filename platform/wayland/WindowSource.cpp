#include "platform/wayland/WindowSource.h"

#include <fcntl.h>

#include "platform/wayland/PipeWireStream.h"
#include "platform/wayland/SurfaceGlobals.h"

WindowSource::WindowSource(PipeWireLoop& loop, QDBusConnection bus, WindowHandle handle)
    : loop_(loop), handle_(handle), portal_(std::make_unique<PortalSession>(std::move(bus))) {
    connect(portal_.get(), &PortalSession::Started, this, &WindowSource::OnPortalStarted);
    connect(portal_.get(), &PortalSession::Failed, this,
            [this](PortalFailure failure, const QString& message) {
                emit Failed(handle_, failure, message);
            });
    connect(portal_.get(), &PortalSession::Closed, this, [this] {
        if (!std::exchange(ended_, true)) {
            emit Ended(handle_);
        }
    });
}

WindowSource::~WindowSource() {
    // The stream first: it holds a buffer of the session's node.
    stream_.reset();
    portal_.reset();
}

void WindowSource::Start(const QString& restoreToken) {
    portal_->Start(restoreToken);
}

const QImage& WindowSource::Frame() const {
    static const QImage kNone;
    return stream_ ? stream_->Frame() : kNone;
}

const StreamPointer& WindowSource::Pointer() const {
    static const StreamPointer kNone;
    return stream_ ? stream_->Pointer() : kNone;
}

std::optional<QSize> WindowSource::Size() const {
    if (stream_ && !stream_->SourceSize().isEmpty()) {
        return stream_->SourceSize();
    }
    if (!announcedSize_.isEmpty()) {
        return announcedSize_;
    }
    return std::nullopt;
}

void WindowSource::OnPortalStarted(const PortalStream& stream) {
    announcedSize_ = stream.size;
    // The stream owns its copy of the descriptor; the portal's copy closes with the message.
    const int fd = fcntl(stream.remote.fileDescriptor(), F_DUPFD_CLOEXEC, 3);
    if (fd < 0) {
        emit Failed(handle_, PortalFailure::Error, QStringLiteral("no PipeWire connection"));
        return;
    }
    stream_ = std::make_unique<PipeWireStream>(loop_, fd, stream.nodeId, CompositorDmaBufOffer());
    connect(stream_.get(), &PipeWireStream::FrameArrived, this, &WindowSource::FrameArrived);
    connect(stream_.get(), &PipeWireStream::PointerChanged, this, &WindowSource::PointerChanged);
    connect(stream_.get(), &PipeWireStream::BufferRemoved, this, &WindowSource::BufferRemoved);
    connect(stream_.get(), &PipeWireStream::SizeChanged, this,
            [this](QSize size) { emit SizeChanged(handle_, size); });
    connect(stream_.get(), &PipeWireStream::Ended, this, [this] {
        if (!std::exchange(ended_, true)) {
            emit Ended(handle_);
        }
    });
    emit Started(handle_, stream.restoreToken);
}
