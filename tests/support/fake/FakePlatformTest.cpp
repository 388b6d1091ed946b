// The fake backend behaves as the forms expect a backend to: snapshots, display changes,
// owned thumbnails and guards.
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "tests/support/fake/FakePlatform.h"

TEST(FakePlatform, SnapshotListsWindowsInOrderWithoutTheApplicationWindow) {
    FakePlatform fake;
    const WindowHandle a = fake.AddWindow(QStringLiteral("A"));
    const WindowHandle b = fake.AddWindow(QStringLiteral("B"));
    const WindowHandle c = fake.AddWindow(QStringLiteral("C"));
    fake.FailTitleRead(c, true);
    const std::vector<ListedWindow> expected{{a, QStringLiteral("A")}, {c, QString()}};
    EXPECT_EQ(fake.Windows().Snapshot(b), expected);
    EXPECT_EQ(fake.LastApplicationWindow(), b);
    fake.RemoveWindow(a);
    fake.RenameWindow(c, QStringLiteral("renamed"));
    fake.FailTitleRead(c, false);
    EXPECT_EQ(
        fake.Windows().Snapshot(0),
        (std::vector<ListedWindow>{{b, QStringLiteral("B")}, {c, QStringLiteral("renamed")}}));
    EXPECT_EQ(fake.SnapshotCalls(), 2);
}

TEST(FakePlatform, EveryDisplayChangeIsAnnounced) {
    FakePlatform fake;
    QSignalSpy changed(&fake.Displays(), &DisplayList::Changed);
    EXPECT_EQ(fake.Displays().Count(), 1);
    fake.AddMonitor(QRect(1920, 0, 1280, 1024));
    fake.SetMonitors({QRect(0, 0, 800, 600), QRect(800, 0, 800, 600), QRect(1600, 0, 10, 10)});
    fake.RemoveMonitor(1);
    fake.RemoveMonitor(7);  // no such display: nothing changes
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(fake.Monitors(), (std::vector<QRect>{QRect(0, 0, 800, 600), QRect(1600, 0, 10, 10)}));
    const std::vector<DisplayInfo> displays = fake.Displays().Displays();
    ASSERT_EQ(displays.size(), 2u);
    EXPECT_NE(displays[0].name, displays[1].name);
}

TEST(FakePlatform, ThumbnailsAreReleasedByTheirOwnerAndRecordPlacements) {
    FakePlatform fake;
    const WindowHandle source = fake.AddWindow(QStringLiteral("S"), QSize(300, 200));
    auto thumbnail = fake.Compositor().CreateThumbnail(77, source);
    ASSERT_NE(thumbnail, nullptr);
    EXPECT_EQ(thumbnail->SourceSize(), QSize(300, 200));
    EXPECT_TRUE(thumbnail->Place(QRect(1, 2, 3, 4), true));
    const ThumbnailRecord* record = fake.Compositor().LiveThumbnailInto(77);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->placements, (std::vector<ThumbnailPlacement>{{QRect(1, 2, 3, 4), true}}));
    fake.RemoveWindow(source);
    EXPECT_FALSE(thumbnail->SourceSize().has_value());
    thumbnail.reset();
    EXPECT_EQ(fake.Compositor().LiveCount(), 0);
    EXPECT_EQ(fake.Compositor().LiveThumbnailInto(77), nullptr);
    EXPECT_FALSE(fake.Compositor().Records().front().alive);
}

TEST(FakePlatform, RegistrationFailsOnceWhenAskedOrWithoutASource) {
    FakePlatform fake;
    const WindowHandle source = fake.AddWindow(QStringLiteral("S"));
    fake.Compositor().FailNextRegistration();
    EXPECT_EQ(fake.Compositor().CreateThumbnail(5, source), nullptr);
    EXPECT_NE(fake.Compositor().CreateThumbnail(5, source), nullptr);
    EXPECT_EQ(fake.Compositor().CreateThumbnail(5, 0xdead), nullptr);
    EXPECT_EQ(fake.Compositor().CreateThumbnail(0, source), nullptr);
    EXPECT_EQ(fake.Compositor().Records().size(), 1u);
}

TEST(FakePlatform, GuardIsHeldWhileItLives) {
    FakePlatform fake;
    const QString name = QStringLiteral("Vantrel");
    auto first = fake.System().AcquireInstanceGuard(name);
    EXPECT_FALSE(first->AlreadyRunning());
    {
        auto second = fake.System().AcquireInstanceGuard(name);
        EXPECT_TRUE(second->AlreadyRunning());
        EXPECT_EQ(fake.GuardHolders(name), 2);
    }
    first.reset();
    EXPECT_EQ(fake.GuardHolders(name), 0);
    EXPECT_FALSE(fake.System().AcquireInstanceGuard(name)->AlreadyRunning());
}

TEST(FakePlatform, SystemValuesAreWhatTheTestSet) {
    FakePlatform fake;
    EXPECT_EQ(fake.System().UserLanguageId(), 0x0409);
    fake.SetLanguageId(0x0419);
    fake.SetInstallPath(QStringLiteral("/opt/v"));
    QFont font(QStringLiteral("Noto Sans"));
    font.setPixelSize(13);
    fake.SetInterfaceFont(font);
    EXPECT_EQ(fake.System().UserLanguageId(), 0x0419);
    EXPECT_EQ(fake.System().InstallPath(), QStringLiteral("/opt/v"));
    EXPECT_EQ(fake.System().InterfaceFont(), font);
    fake.System().PrepareCloneWindow(42);
    EXPECT_EQ(fake.PreparedCloneWindows(), std::vector<WindowHandle>{42});
    EXPECT_EQ(fake.Encodings().AnsiCodePageForLanguage(0x0419), 1251);
}
