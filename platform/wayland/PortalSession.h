// One screen-cast session of the desktop portal (org.freedesktop.portal.ScreenCast) for one
// window: the user chooses it in the desktop's picker, or a restore token from an earlier
// session chooses it without a dialog. The conversation runs asynchronously over QtDBus;
// each request's Response signal is subscribed before the call, on the object path the
// portal will use (predicted from our unique bus name and the request's handle_token).
#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QSize>
#include <QString>
#include <QVariantMap>

#include <cstdint>

enum class PortalFailure {
    Absent,     // no portal on the session bus: keep the restore token for later
    Cancelled,  // the user closed the picker: forget the choice
    Error,      // the portal answered with an error: keep the restore token for later
};

struct PortalStream {
    QDBusUnixFileDescriptor remote;  // a connection to the PipeWire instance
    std::uint32_t nodeId = 0;
    QSize size;            // as the portal announced it; may be empty
    QString restoreToken;  // the token for the next start; empty: none given
};

class PortalSession : public QObject {
    Q_OBJECT
  public:
    explicit PortalSession(QDBusConnection bus, QObject* parent = nullptr);
    // Closes the portal session, which ends its stream.
    ~PortalSession() override;

    // Starts the conversation once; restoreToken may be empty (the picker opens).
    void Start(const QString& restoreToken);
    // For the user: the screen-cast portal is missing, and what to install.
    static QString AbsentMessage();

  signals:
    void Started(const PortalStream& stream);
    void Failed(PortalFailure failure, const QString& message);
    // The portal or the compositor closed the session (the window is gone).
    void Closed();

  private slots:
    void OnResponse(uint response, const QVariantMap& results);
    void OnSessionClosed();

  private:
    using Step = void (PortalSession::*)(const QVariantMap&);
    void Call(const QString& method, QList<QVariant> arguments, const QString& token, Step next);
    void OnProperties(const QVariantMap& properties);
    void OnSessionCreated(const QVariantMap& results);
    void OnSourcesSelected(const QVariantMap& results);
    void OnStarted(const QVariantMap& results);
    void Fail(PortalFailure failure, const QString& message);
    QString RequestPath(const QString& token) const;
    void Unsubscribe();

    QDBusConnection bus_;
    QString restoreToken_;
    std::uint32_t cursorModes_ = 0;
    QString requestPath_;
    QString sessionPath_;
    Step next_ = nullptr;
    PortalStream stream_;
    bool finished_ = false;
};
