// The screen-cast portal conversation against the stand-in on a private session bus, with
// real streams from the private PipeWire instance: choosing a window, restoring it with its
// token, a refused token, a cancelled picker, a portal error, the stream's end, a portal
// that closes the session, and no portal at all.
#include <QDBusConnection>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/wayland/PortalSession.h"
#include "platform/wayland/RestoreTokenStore.h"
#include "platform/wayland/WaylandCompositor.h"
#include "platform/wayland/WaylandWindowList.h"
#include "platform/wayland/WindowSource.h"
#include "tests/support/TestApplication.h"
#include "tests/wayland/support/PortalStandIn.h"
#include "tests/wayland/support/SharedPipeWire.h"
#include "tests/wayland/support/TestPattern.h"

namespace {

constexpr WindowHandle kWindow1 = WaylandWindowList::kFirstChosenHandle + 1;
constexpr WindowHandle kWindow2 = WaylandWindowList::kFirstChosenHandle + 2;

class PortalConversationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApplication();
        WaylandTestSession& session = SharedPipeWireSession();
        ASSERT_EQ(session.Problem(), QString());
        source_ = StartTestSource(session);
        ASSERT_TRUE(source_) << "the test video source gave no node";
        portalBus_.emplace(QDBusConnection::connectToBus(session.BusAddress(), PortalBusName()));
        clientBus_.emplace(QDBusConnection::connectToBus(session.BusAddress(), ClientBusName()));
        ASSERT_TRUE(portalBus_->isConnected() && clientBus_->isConnected());
        statePath_ = state_.filePath(QStringLiteral("wayland-windows.json"));
    }
    void TearDown() override {
        windows_.reset();
        portal_.reset();
        // Let deferred deletions and the sessions' Close calls run.
        WaylandTestSession::WaitUntil([] { return false; }, 100);
        if (source_) {
            source_->process->terminate();
        }
        QDBusConnection::disconnectFromBus(PortalBusName());
        QDBusConnection::disconnectFromBus(ClientBusName());
    }
    QString PortalBusName() const { return QStringLiteral("portal-") + TestName(); }
    QString ClientBusName() const { return QStringLiteral("client-") + TestName(); }
    static QString TestName() {
        return QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    PortalStandIn& Portal(PickerAnswer answer) {
        portal_ = std::make_unique<PortalStandIn>(*portalBus_);
        EXPECT_TRUE(portal_->Registered());
        portal_->SetPicker(answer, source_->nodeId, QSize(640, 480));
        portal_->SetPipeWireSocket(SharedPipeWireSession().PipeWireSocket());
        return *portal_;
    }
    WaylandWindowList& Windows() {
        windows_ = std::make_unique<WaylandWindowList>(SharedPipeWireLoop(), *clientBus_,
                                                       RestoreTokenStore(statePath_), nullptr);
        QObject::connect(windows_.get(), &WindowPicker::WindowChosen,
                         [this](WindowHandle window) { chosen_.push_back(window); });
        QObject::connect(windows_.get(), &WindowPicker::WindowGone,
                         [this](WindowHandle window) { gone_.push_back(window); });
        QObject::connect(windows_.get(), &WindowPicker::ChoiceFailed,
                         [this](const QString& message) { failures_.push_back(message); });
        return *windows_;
    }
    std::vector<StoredWindow> Stored() const { return RestoreTokenStore(statePath_).Load(); }
    bool Wait(const std::function<bool()>& condition) {
        return WaylandTestSession::WaitUntil(condition, 15000);
    }

    std::optional<RunningSource> source_;
    std::optional<QDBusConnection> portalBus_;
    std::optional<QDBusConnection> clientBus_;
    QTemporaryDir state_;
    QString statePath_;
    std::unique_ptr<PortalStandIn> portal_;
    std::unique_ptr<WaylandWindowList> windows_;
    std::vector<WindowHandle> chosen_;
    std::vector<WindowHandle> gone_;
    std::vector<QString> failures_;
};

TEST_F(PortalConversationTest, ChosenWindowBecomesARowWithItsStreamAndToken) {
    PortalStandIn& portal = Portal(PickerAnswer::Share);
    WaylandWindowList& windows = Windows();
    EXPECT_TRUE(windows.CanChoose()) << "no compositor list: the user chooses";
    windows.Choose();
    ASSERT_TRUE(Wait([&] { return !chosen_.empty(); })) << failures_.size();
    EXPECT_EQ(portal.PickerShown(), 1);
    const QVariantMap& select = portal.LastSelectOptions();
    EXPECT_EQ(select.value(QStringLiteral("types")).toUInt(), 2u) << "windows only";
    EXPECT_EQ(select.value(QStringLiteral("persist_mode")).toUInt(), 2u);
    EXPECT_EQ(select.value(QStringLiteral("cursor_mode")).toUInt(), 4u) << "metadata offered";
    EXPECT_FALSE(select.contains(QStringLiteral("restore_token")));
    EXPECT_EQ(windows.Snapshot(0), (std::vector<ListedWindow>{{kWindow1, "Window 1"}}));
    EXPECT_EQ(Stored(), (std::vector<StoredWindow>{{1, portal.LastIssuedToken()}}));

    std::shared_ptr<WindowSource> source = windows.SourceFor(kWindow1);
    ASSERT_TRUE(source);
    ASSERT_TRUE(Wait([&] { return !source->Frame().isNull(); })) << "no frame arrived";
    EXPECT_EQ(source->Size(), QSize(640, 480));
    EXPECT_EQ(source->Frame().pixelColor(480, 120).rgb(), kPatternTopRight.rgb());

    windows.Choose();
    ASSERT_TRUE(Wait([&] { return chosen_.size() == 2; }));
    EXPECT_EQ(windows.Snapshot(0).back(), (ListedWindow{kWindow2, "Window 2"}));
    EXPECT_EQ(Stored().size(), 2u);
}

TEST_F(PortalConversationTest, ResponsesAheadOfTheirMethodRepliesStillLeadToTheWindow) {
    PortalStandIn& portal = Portal(PickerAnswer::Share);
    portal.SetResponseBeforeReply(true);
    Windows().Choose();
    ASSERT_TRUE(Wait([&] { return !chosen_.empty(); }))
        << "a late method reply must not take over the next request's subscription";
    EXPECT_EQ(Stored(), (std::vector<StoredWindow>{{1, portal.LastIssuedToken()}}));
}

TEST_F(PortalConversationTest, StoredTokenRestoresTheWindowWithoutThePicker) {
    PortalStandIn& portal = Portal(PickerAnswer::Cancel);
    portal.IssueToken(QStringLiteral("earlier"), source_->nodeId);
    ASSERT_TRUE(RestoreTokenStore(statePath_).Save({{2, QStringLiteral("earlier")}}));
    WaylandWindowList& windows = Windows();
    windows.RestoreChosen();
    ASSERT_TRUE(Wait([&] { return !chosen_.empty(); }));
    EXPECT_EQ(portal.PickerShown(), 0);
    EXPECT_EQ(portal.LastSelectOptions().value(QStringLiteral("restore_token")).toString(),
              QStringLiteral("earlier"));
    EXPECT_EQ(windows.Snapshot(0), (std::vector<ListedWindow>{{kWindow2, "Window 2"}}));
    // Tokens are single-use: the new one replaced the old.
    EXPECT_EQ(Stored(), (std::vector<StoredWindow>{{2, portal.LastIssuedToken()}}));
    EXPECT_NE(portal.LastIssuedToken(), QStringLiteral("earlier"));
}

TEST_F(PortalConversationTest, RefusedTokenOpensThePickerAndCancelForgetsTheWindow) {
    PortalStandIn& portal = Portal(PickerAnswer::Cancel);
    ASSERT_TRUE(RestoreTokenStore(statePath_).Save({{1, QStringLiteral("revoked")}}));
    WaylandWindowList& windows = Windows();
    windows.RestoreChosen();
    ASSERT_TRUE(Wait([&] { return portal.PickerShown() == 1 && Stored().empty(); }));
    EXPECT_TRUE(windows.Snapshot(0).empty());
    EXPECT_TRUE(chosen_.empty());
    EXPECT_TRUE(failures_.empty()) << "a cancelled picker is the user's answer, not an error";
}

TEST_F(PortalConversationTest, CancelledPickerLeavesNoRowAndClosesTheSession) {
    PortalStandIn& portal = Portal(PickerAnswer::Cancel);
    WaylandWindowList& windows = Windows();
    windows.Choose();
    ASSERT_TRUE(Wait([&] { return portal.SessionsClosedByClient() == 1; }));
    EXPECT_EQ(portal.PickerShown(), 1);
    EXPECT_TRUE(windows.Snapshot(0).empty());
    EXPECT_TRUE(Stored().empty());
}

TEST_F(PortalConversationTest, PortalErrorKeepsTheTokenForTheNextStart) {
    Portal(PickerAnswer::Fail);
    ASSERT_TRUE(RestoreTokenStore(statePath_).Save({{3, QStringLiteral("later")}}));
    WaylandWindowList& windows = Windows();
    windows.RestoreChosen();
    ASSERT_TRUE(Wait([&] { return !failures_.empty(); }));
    EXPECT_TRUE(windows.Snapshot(0).empty());
    EXPECT_EQ(Stored(), (std::vector<StoredWindow>{{3, QStringLiteral("later")}}));
}

TEST_F(PortalConversationTest, StreamEndRemovesTheWindowAndItsToken) {
    Portal(PickerAnswer::Share);
    WaylandWindowList& windows = Windows();
    windows.Choose();
    ASSERT_TRUE(Wait([&] { return !chosen_.empty(); }));
    std::shared_ptr<WindowSource> source = windows.SourceFor(kWindow1);
    ASSERT_TRUE(source);
    ASSERT_TRUE(Wait([&] { return !source->Frame().isNull(); }));
    source_->process->terminate();
    ASSERT_TRUE(Wait([&] { return !gone_.empty(); })) << "the window's end was not noticed";
    EXPECT_EQ(gone_, std::vector<WindowHandle>{kWindow1});
    EXPECT_TRUE(windows.Snapshot(0).empty());
    EXPECT_TRUE(Stored().empty());
    EXPECT_FALSE(windows.SourceFor(kWindow1));
}

TEST_F(PortalConversationTest, SessionClosedByThePortalRemovesTheWindow) {
    PortalStandIn& portal = Portal(PickerAnswer::Share);
    WaylandWindowList& windows = Windows();
    windows.Choose();
    ASSERT_TRUE(Wait([&] { return !chosen_.empty(); }));
    portal.CloseSessions();
    ASSERT_TRUE(Wait([&] { return !gone_.empty(); }));
    EXPECT_TRUE(windows.Snapshot(0).empty());
}

TEST_F(PortalConversationTest, ClosingTheProgramClosesItsSessions) {
    PortalStandIn& portal = Portal(PickerAnswer::Share);
    Windows().Choose();
    ASSERT_TRUE(Wait([&] { return !chosen_.empty(); }));
    EXPECT_EQ(portal.OpenSessions(), 1);
    windows_.reset();
    EXPECT_TRUE(Wait([&] { return portal.SessionsClosedByClient() == 1; }));
    EXPECT_EQ(Stored().size(), 1u) << "the window comes back at the next start";
}

TEST_F(PortalConversationTest, AbsentPortalGivesOneClearMessageAndChangesNothing) {
    ASSERT_TRUE(RestoreTokenStore(statePath_).Save({{1, QStringLiteral("kept")}}));
    WaylandWindowList& windows = Windows();
    WaylandCompositor compositor(windows, *clientBus_);
    EXPECT_FALSE(compositor.Available()) << "no portal and no compositor list";
    windows.RestoreChosen();
    windows.Choose();
    ASSERT_TRUE(Wait([&] { return failures_.size() == 2; }));
    EXPECT_EQ(failures_.front(), PortalSession::AbsentMessage());
    EXPECT_TRUE(windows.Snapshot(0).empty());
    EXPECT_EQ(Stored(), (std::vector<StoredWindow>{{1, QStringLiteral("kept")}}));
    EXPECT_TRUE(compositor.UnavailableMessage().contains(QStringLiteral("xdg-desktop-portal")));

    // The portal's name without ScreenCast behind it (a portal without a screen-cast backend):
    // the program starts, and choosing says what is missing.
    const QString portalName = QStringLiteral("org.freedesktop.portal.Desktop");
    ASSERT_TRUE(portalBus_->registerService(portalName));
    EXPECT_TRUE(compositor.Available());
    windows.Choose();
    ASSERT_TRUE(Wait([&] { return failures_.size() == 3; }));
    EXPECT_EQ(failures_.back(), PortalSession::AbsentMessage());
    ASSERT_TRUE(portalBus_->unregisterService(portalName));

    Portal(PickerAnswer::Share);
    EXPECT_TRUE(compositor.Available()) << "the portal is on the bus now";
    EXPECT_TRUE(compositor.UnavailableMessage().isEmpty());
}

}  // namespace
