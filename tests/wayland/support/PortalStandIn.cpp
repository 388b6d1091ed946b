#include "tests/wayland/support/PortalStandIn.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kDesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSessionRoot = QStringLiteral("/org/freedesktop/portal/desktop/session");

struct StreamEntry {
    uint node = 0;
    QVariantMap properties;
};
struct StreamSize {
    int width = 0;
    int height = 0;
};

}  // namespace

Q_DECLARE_METATYPE(StreamEntry)
Q_DECLARE_METATYPE(StreamSize)

namespace {

QDBusArgument& operator<<(QDBusArgument& argument, const StreamEntry& entry) {
    argument.beginStructure();
    argument << entry.node << entry.properties;
    argument.endStructure();
    return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, StreamEntry& entry) {
    argument.beginStructure();
    argument >> entry.node >> entry.properties;
    argument.endStructure();
    return argument;
}
QDBusArgument& operator<<(QDBusArgument& argument, const StreamSize& size) {
    argument.beginStructure();
    argument << size.width << size.height;
    argument.endStructure();
    return argument;
}
const QDBusArgument& operator>>(const QDBusArgument& argument, StreamSize& size) {
    argument.beginStructure();
    argument >> size.width >> size.height;
    argument.endStructure();
    return argument;
}

QString SenderPart(QString sender) {
    if (sender.startsWith(u':')) {
        sender.remove(0, 1);
    }
    return sender.replace(u'.', u'_');
}

int ConnectTo(const QString& path) {
    if (path.isEmpty()) {
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
            return -1;
        }
        close(pair[1]);
        return pair[0];
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.toLocal8Bit().constData(), sizeof(address.sun_path) - 1);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

class ScreenCastAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.ScreenCast")
    Q_PROPERTY(uint AvailableSourceTypes READ SourceTypes)
    Q_PROPERTY(uint AvailableCursorModes READ CursorModes)
    Q_PROPERTY(uint version READ Version)
  public:
    ScreenCastAdaptor(QObject* holder, PortalStandIn& portal)
        : QDBusAbstractAdaptor(holder), portal_(portal) {}
    uint SourceTypes() const { return 1 | 2; }
    uint CursorModes() const { return 1 | 2 | 4; }
    uint Version() const { return 4; }

  public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message) {
        return QDBusObjectPath(portal_.CreateSession(message, options));
    }
    QDBusObjectPath SelectSources(const QDBusObjectPath& session, const QVariantMap& options,
                                  const QDBusMessage& message) {
        return QDBusObjectPath(portal_.SelectSources(message, session.path(), options));
    }
    QDBusObjectPath Start(const QDBusObjectPath& session, const QString&,
                          const QVariantMap& options, const QDBusMessage& message) {
        return QDBusObjectPath(portal_.Start(message, session.path(), options));
    }
    QDBusUnixFileDescriptor OpenPipeWireRemote(const QDBusObjectPath&, const QVariantMap&) {
        const int fd = portal_.OpenRemote();
        QDBusUnixFileDescriptor descriptor(fd);
        if (fd >= 0) {
            close(fd);
        }
        return descriptor;
    }

  private:
    PortalStandIn& portal_;
};

// Session objects: only Close matters.
class SessionObjects : public QDBusVirtualObject {
  public:
    explicit SessionObjects(PortalStandIn& portal) : portal_(portal) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("Close")) {
            return false;
        }
        portal_.CloseSession(message.path());
        connection.send(message.createReply());
        return true;
    }

  private:
    PortalStandIn& portal_;
};

}  // namespace

PortalStandIn::PortalStandIn(QDBusConnection bus) : bus_(std::move(bus)) {
    qDBusRegisterMetaType<StreamEntry>();
    qDBusRegisterMetaType<QList<StreamEntry>>();
    qDBusRegisterMetaType<StreamSize>();
    auto* holder = new QObject(this);
    new ScreenCastAdaptor(holder, *this);
    auto* sessions = new SessionObjects(*this);
    sessions->setParent(this);
    registered_ = bus_.registerObject(kDesktopPath, holder, QDBusConnection::ExportAdaptors) &&
                  bus_.registerVirtualObject(kSessionRoot, sessions, QDBusConnection::SubPath) &&
                  bus_.registerService(kService);
}

PortalStandIn::~PortalStandIn() {
    bus_.unregisterService(kService);
    bus_.unregisterObject(kSessionRoot);
    bus_.unregisterObject(kDesktopPath);
}

void PortalStandIn::SetPicker(PickerAnswer answer, std::uint32_t nodeId, QSize size) {
    answer_ = answer;
    nodeId_ = nodeId;
    size_ = size;
}

void PortalStandIn::IssueToken(const QString& token, std::uint32_t nodeId) {
    tokens_[token] = nodeId;
}

QString PortalStandIn::Respond(const QDBusMessage& call, const QVariantMap& options, uint response,
                               const QVariantMap& results) {
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                             .arg(SenderPart(call.service()),
                                  options.value(QStringLiteral("handle_token")).toString());
    auto send = [this, path, response, results] {
        QDBusMessage signal = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << response << results;
        bus_.send(signal);
    };
    if (responseBeforeReply_) {
        call.setDelayedReply(true);
        const bool start = call.member() == QLatin1String("Start");
        QTimer::singleShot(start ? 100 : 0, this, send);
        QTimer::singleShot(start ? 0 : 60, this, [this, call, path] {
            bus_.send(call.createReply(QVariant::fromValue(QDBusObjectPath(path))));
        });
        return path;
    }
    // After the method's reply, as the real portal usually does.
    QTimer::singleShot(0, this, send);
    return path;
}

QString PortalStandIn::CreateSession(const QDBusMessage& call, const QVariantMap& options) {
    const QString session = kSessionRoot + u'/' + SenderPart(call.service()) + u'/' +
                            options.value(QStringLiteral("session_handle_token")).toString();
    sessions_[session] = Session{};
    return Respond(call, options, 0, {{QStringLiteral("session_handle"), session}});
}

QString PortalStandIn::SelectSources(const QDBusMessage& call, const QString& session,
                                     const QVariantMap& options) {
    lastSelect_ = options;
    auto found = sessions_.find(session);
    if (found == sessions_.end()) {
        return Respond(call, options, 2, {});
    }
    found->second.restoreToken = options.value(QStringLiteral("restore_token")).toString();
    return Respond(call, options, 0, {});
}

QString PortalStandIn::Start(const QDBusMessage& call, const QString& session,
                             const QVariantMap& options) {
    auto found = sessions_.find(session);
    if (found == sessions_.end()) {
        return Respond(call, options, 2, {});
    }
    // A token restores its node once, without the picker.
    if (auto token = tokens_.find(found->second.restoreToken); token != tokens_.end()) {
        const std::uint32_t node = token->second;
        tokens_.erase(token);
        return Respond(call, options, 0, StartResults(node));
    }
    ++pickerShown_;
    emit PickerOpened();
    switch (answer_) {
        case PickerAnswer::Share:
            return Respond(call, options, 0, StartResults(nodeId_));
        case PickerAnswer::Cancel:
            return Respond(call, options, 1, {});
        case PickerAnswer::Fail:
            break;
    }
    return Respond(call, options, 2, {});
}

QVariantMap PortalStandIn::StartResults(std::uint32_t nodeId) {
    QVariantMap properties{{QStringLiteral("source_type"), 2u}};
    if (!size_.isEmpty()) {
        properties.insert(QStringLiteral("size"),
                          QVariant::fromValue(StreamSize{size_.width(), size_.height()}));
    }
    QVariantMap results{
        {QStringLiteral("streams"), QVariant::fromValue(QList<StreamEntry>{{nodeId, properties}})}};
    if (lastSelect_.value(QStringLiteral("persist_mode")).toUInt() == 2) {
        lastIssued_ = QStringLiteral("stand-in-token-%1").arg(++tokenCount_);
        tokens_[lastIssued_] = nodeId;
        results.insert(QStringLiteral("restore_token"), lastIssued_);
    }
    return results;
}

int PortalStandIn::OpenRemote() {
    return ConnectTo(pipeWireSocket_);
}

void PortalStandIn::CloseSession(const QString& session) {
    if (sessions_.erase(session) != 0) {
        ++closedByClient_;
    }
}

void PortalStandIn::CloseSessions() {
    for (const auto& [path, session] : sessions_) {
        QDBusMessage signal = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Closed"));
        signal << QVariantMap();
        bus_.send(signal);
    }
    sessions_.clear();
}

#include "PortalStandIn.moc"
