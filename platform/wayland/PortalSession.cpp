#include "platform/wayland/PortalSession.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QUuid>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kDesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");
// Signals are matched by object path alone: with the portal's well-known name as sender,
// QtDBus drops what arrives before it has looked up the name's owner, and the first
// Response can come that early. The request and session paths are ours alone.
const QString kAnySender;

constexpr uint kSourceWindow = 2;
constexpr uint kCursorHidden = 1;
constexpr uint kCursorMetadata = 4;
constexpr uint kPersistUntilRevoked = 2;

QString NewToken() {
    return QStringLiteral("vantrel_") + QUuid::createUuid().toString(QUuid::Id128);
}

// ":1.42" -> "1_42", as the portal names request and session objects.
QString SenderPart(const QString& uniqueName) {
    QString part = uniqueName.mid(uniqueName.startsWith(u':') ? 1 : 0);
    part.replace(u'.', u'_');
    return part;
}

// The first stream of a Start response, a(ua{sv}): its node id and announced size.
bool FirstStream(const QVariant& streams, PortalStream& out) {
    const auto argument = streams.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::ArrayType) {
        return false;
    }
    bool found = false;
    argument.beginArray();
    while (!argument.atEnd()) {
        uint node = 0;
        QVariantMap properties;
        argument.beginStructure();
        argument >> node >> properties;
        argument.endStructure();
        if (found) {
            continue;
        }
        found = true;
        out.nodeId = node;
        const auto size = properties.value(QStringLiteral("size")).value<QDBusArgument>();
        if (size.currentType() == QDBusArgument::StructureType) {
            int width = 0;
            int height = 0;
            size.beginStructure();
            size >> width >> height;
            size.endStructure();
            out.size = QSize(width, height);
        }
    }
    argument.endArray();
    return found;
}

}  // namespace

PortalSession::PortalSession(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

PortalSession::~PortalSession() {
    Unsubscribe();
    if (!sessionPath_.isEmpty()) {
        bus_.call(QDBusMessage::createMethodCall(kService, sessionPath_, kSession,
                                                 QStringLiteral("Close")),
                  QDBus::NoBlock);
    }
}

QString PortalSession::AbsentMessage() {
    return QStringLiteral(
        "The desktop portal's screen-cast service (org.freedesktop.portal.ScreenCast) is not "
        "available. Install xdg-desktop-portal with the screen-cast backend for this desktop "
        "(xdg-desktop-portal-gnome, xdg-desktop-portal-kde or xdg-desktop-portal-wlr), then "
        "log in again.");
}

void PortalSession::Start(const QString& restoreToken) {
    restoreToken_ = restoreToken;
    if (!bus_.isConnected()) {
        Fail(PortalFailure::Absent, AbsentMessage());
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(
        kService, kDesktopPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("GetAll"));
    message << kScreenCast;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        QDBusPendingReply<QVariantMap> reply = *watcher;
        if (reply.isError()) {
            Fail(PortalFailure::Absent, AbsentMessage());
            return;
        }
        OnProperties(reply.value());
    });
}

void PortalSession::OnProperties(const QVariantMap& properties) {
    const uint types = properties.value(QStringLiteral("AvailableSourceTypes")).toUInt();
    if ((types & kSourceWindow) == 0) {
        Fail(PortalFailure::Error,
             QStringLiteral("the desktop portal cannot share single windows here"));
        return;
    }
    cursorModes_ = properties.value(QStringLiteral("AvailableCursorModes")).toUInt();
    const QString token = NewToken();
    QVariantMap options{{QStringLiteral("session_handle_token"), NewToken()}};
    Call(QStringLiteral("CreateSession"), {options}, token, &PortalSession::OnSessionCreated);
}

void PortalSession::OnSessionCreated(const QVariantMap& results) {
    sessionPath_ = results.value(QStringLiteral("session_handle")).toString();
    if (sessionPath_.isEmpty()) {
        Fail(PortalFailure::Error, QStringLiteral("the desktop portal made no session"));
        return;
    }
    bus_.connect(kAnySender, sessionPath_, kSession, QStringLiteral("Closed"), this,
                 SLOT(OnSessionClosed()));
    QVariantMap options{{QStringLiteral("types"), kSourceWindow},
                        {QStringLiteral("multiple"), false},
                        {QStringLiteral("persist_mode"), kPersistUntilRevoked}};
    if ((cursorModes_ & kCursorMetadata) != 0) {
        options.insert(QStringLiteral("cursor_mode"), kCursorMetadata);
    } else if ((cursorModes_ & kCursorHidden) != 0) {
        options.insert(QStringLiteral("cursor_mode"), kCursorHidden);
    }
    if (!restoreToken_.isEmpty()) {
        options.insert(QStringLiteral("restore_token"), restoreToken_);
    }
    Call(QStringLiteral("SelectSources"),
         {QVariant::fromValue(QDBusObjectPath(sessionPath_)), options}, NewToken(),
         &PortalSession::OnSourcesSelected);
}

void PortalSession::OnSourcesSelected(const QVariantMap&) {
    Call(QStringLiteral("Start"),
         {QVariant::fromValue(QDBusObjectPath(sessionPath_)), QString(), QVariantMap()}, NewToken(),
         &PortalSession::OnStarted);
}

void PortalSession::OnStarted(const QVariantMap& results) {
    if (!FirstStream(results.value(QStringLiteral("streams")), stream_)) {
        Fail(PortalFailure::Error, QStringLiteral("the desktop portal shared no window"));
        return;
    }
    stream_.restoreToken = results.value(QStringLiteral("restore_token")).toString();
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kDesktopPath, kScreenCast,
                                                          QStringLiteral("OpenPipeWireRemote"));
    message << QVariant::fromValue(QDBusObjectPath(sessionPath_)) << QVariantMap();
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
        if (reply.isError() || !reply.value().isValid()) {
            Fail(PortalFailure::Error, QStringLiteral("the desktop portal gave no video"));
            return;
        }
        stream_.remote = reply.value();
        finished_ = true;
        emit Started(stream_);
    });
}

void PortalSession::Call(const QString& method, QList<QVariant> arguments, const QString& token,
                         Step next) {
    Unsubscribe();
    const bool isCreate = method == QStringLiteral("CreateSession");
    QVariantMap options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    requestPath_ = RequestPath(token);
    next_ = next;
    bus_.connect(kAnySender, requestPath_, kRequest, QStringLiteral("Response"), this,
                 SLOT(OnResponse(uint, QVariantMap)));
    QDBusMessage message =
        QDBusMessage::createMethodCall(kService, kDesktopPath, kScreenCast, method);
    message.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
    const QString predicted = requestPath_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, isCreate, predicted] {
                watcher->deleteLater();
                // The Response signal may be handled before the method's reply: then this request
                // is over and a later one may be waiting on its own path.
                if (requestPath_ != predicted) {
                    return;
                }
                QDBusPendingReply<QDBusObjectPath> reply = *watcher;
                if (reply.isError()) {
                    Fail(isCreate && reply.error().type() == QDBusError::ServiceUnknown
                             ? PortalFailure::Absent
                             : PortalFailure::Error,
                         reply.error().message());
                    return;
                }
                // Portals older than version 0.9 choose the path themselves.
                if (reply.value().path() != requestPath_) {
                    Unsubscribe();
                    requestPath_ = reply.value().path();
                    bus_.connect(kAnySender, requestPath_, kRequest, QStringLiteral("Response"),
                                 this, SLOT(OnResponse(uint, QVariantMap)));
                }
            });
}

void PortalSession::OnResponse(uint response, const QVariantMap& results) {
    Unsubscribe();
    const Step next = std::exchange(next_, nullptr);
    if (next == nullptr || finished_) {
        return;
    }
    if (response == 1) {
        Fail(PortalFailure::Cancelled, QStringLiteral("the window choice was cancelled"));
    } else if (response != 0) {
        Fail(PortalFailure::Error, QStringLiteral("the desktop portal refused to share"));
    } else {
        (this->*next)(results);
    }
}

void PortalSession::OnSessionClosed() {
    sessionPath_.clear();
    emit Closed();
}

void PortalSession::Fail(PortalFailure failure, const QString& message) {
    if (finished_) {
        return;
    }
    finished_ = true;
    Unsubscribe();
    emit Failed(failure, message);
}

QString PortalSession::RequestPath(const QString& token) const {
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
        .arg(SenderPart(bus_.baseService()), token);
}

void PortalSession::Unsubscribe() {
    if (!requestPath_.isEmpty()) {
        bus_.disconnect(kAnySender, requestPath_, kRequest, QStringLiteral("Response"), this,
                        SLOT(OnResponse(uint, QVariantMap)));
        requestPath_.clear();
    }
}
