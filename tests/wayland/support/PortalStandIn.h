// A stand-in for the desktop portal's ScreenCast interface on a private session bus. It
// answers CreateSession, SelectSources, Start and OpenPipeWireRemote like
// xdg-desktop-portal does, and its "picker" gives a configured answer: share a PipeWire
// node, or cancel, or fail. Restore tokens it issued restore the same node once.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <map>

enum class PickerAnswer { Share, Cancel, Fail };

class PortalStandIn : public QObject {
    Q_OBJECT
  public:
    // Registers org.freedesktop.portal.Desktop on bus; Registered() says whether it could.
    explicit PortalStandIn(QDBusConnection bus);
    ~PortalStandIn() override;
    bool Registered() const { return registered_; }

    // What the picker does when no valid restore token was given.
    void SetPicker(PickerAnswer answer, std::uint32_t nodeId, QSize size);
    // Where OpenPipeWireRemote connects (the private instance's socket).
    void SetPipeWireSocket(const QString& path) { pipeWireSocket_ = path; }
    // Makes a token known, as if an earlier run had been given it for nodeId.
    void IssueToken(const QString& token, std::uint32_t nodeId);
    // A busy portal: CreateSession and SelectSources get their Response signal at once and
    // their method reply 60 ms later, after the client has moved on; Start's reply comes
    // at once and its Response (the user's choice) after 100 ms.
    void SetResponseBeforeReply(bool early) { responseBeforeReply_ = early; }
    // Closes every open session from the portal's side (Session.Closed).
    void CloseSessions();

    int PickerShown() const { return pickerShown_; }
    int SessionsClosedByClient() const { return closedByClient_; }
    int OpenSessions() const { return static_cast<int>(sessions_.size()); }
    const QVariantMap& LastSelectOptions() const { return lastSelect_; }
    const QString& LastIssuedToken() const { return lastIssued_; }

  signals:
    // The picker would have opened now (no valid restore token was given).
    void PickerOpened();

  public:
    // Called by the bus adaptor.
    QString CreateSession(const QDBusMessage& call, const QVariantMap& options);
    QString SelectSources(const QDBusMessage& call, const QString& session,
                          const QVariantMap& options);
    QString Start(const QDBusMessage& call, const QString& session, const QVariantMap& options);
    int OpenRemote();
    void CloseSession(const QString& session);

  private:
    struct Session {
        QString restoreToken;
    };
    QString Respond(const QDBusMessage& call, const QVariantMap& options, uint response,
                    const QVariantMap& results);
    QVariantMap StartResults(std::uint32_t nodeId);

    QDBusConnection bus_;
    bool registered_ = false;
    bool responseBeforeReply_ = false;
    PickerAnswer answer_ = PickerAnswer::Cancel;
    std::uint32_t nodeId_ = 0;
    QSize size_;
    QString pipeWireSocket_;
    std::map<QString, Session> sessions_;
    std::map<QString, std::uint32_t> tokens_;
    QVariantMap lastSelect_;
    QString lastIssued_;
    int pickerShown_ = 0;
    int closedByClient_ = 0;
    int tokenCount_ = 0;
};
