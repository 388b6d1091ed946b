#include <gtest/gtest.h>

#include "platform/Compositor.h"
#include "platform/ImportUnit.h"
#include "platform/fake/FakePlatform.h"

TEST(FakePlatform, SnapshotIsTakenAtBuildListNotAtRead) {
    FakePlatform& fake = InstallFakePlatform();
    const WindowHandle a = fake.AddWindow(u"A");
    BuildList(0);
    fake.AddWindow(u"B");
    ASSERT_EQ(GetListCount(), 1);
    EXPECT_EQ(GetListItem(1), a);
    EXPECT_EQ(GetListItem(2), 0u);
    BuildList(0);
    EXPECT_EQ(GetListCount(), 2);
}

TEST(FakePlatform, TitleReadIsBoundedAndTerminated) {
    FakePlatform& fake = InstallFakePlatform();
    const WindowHandle w = fake.AddWindow(u"abcdef");
    char16_t buffer[8] = {u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x'};
    EXPECT_EQ(GetWindowTextW(w, buffer, 4), 3);
    EXPECT_EQ(std::u16string(buffer), u"abc");
    EXPECT_EQ(GetWindowTextW(0xdead, buffer, 8), 0);
    EXPECT_EQ(buffer[0], u'\0');
}

TEST(FakePlatform, MonitorOutOfRangeIsEmptyRectangle) {
    FakePlatform& fake = InstallFakePlatform();
    fake.SetMonitors({{0, 0, 100, 50}, {-100, 0, 100, 50}});
    int l = 1, t = 1, w = 1, h = 1;
    GetMonitorInfo(1, &l, &t, &w, &h);
    EXPECT_EQ(DisplayRect({l, t, w, h}), DisplayRect({-100, 0, 100, 50}));
    GetMonitorInfo(2, &l, &t, &w, &h);
    EXPECT_EQ(DisplayRect({l, t, w, h}), DisplayRect{});
    GetMonitorInfo(-1, &l, &t, &w, &h);
    EXPECT_EQ(DisplayRect({l, t, w, h}), DisplayRect{});
}

TEST(FakePlatform, ThumbnailLifecycleIsRecorded) {
    FakePlatform& fake = InstallFakePlatform();
    const WindowHandle src = fake.AddWindow(u"S", {300, 200});
    ThumbnailHandle th = 0;
    ASSERT_EQ(RegisterThumbnail(77, src, &th), kResultOk);
    PixelSize size;
    ASSERT_EQ(QueryThumbnailSourceSize(th, &size), kResultOk);
    EXPECT_EQ(size, PixelSize({300, 200}));
    ThumbnailProperties p;
    p.flags = kThumbnailRectDestination;
    EXPECT_EQ(UpdateThumbnailProperties(th, p), kResultOk);
    EXPECT_EQ(UnregisterThumbnail(th), kResultOk);
    EXPECT_NE(UnregisterThumbnail(th), kResultOk);
    EXPECT_NE(UpdateThumbnailProperties(th, p), kResultOk);
    ASSERT_EQ(fake.Thumbnails().size(), 1u);
    EXPECT_EQ(fake.Thumbnails()[0].updates.size(), 1u);
    EXPECT_EQ(fake.LiveThumbnailCount(), 0);

    fake.FailNextRegistration();
    EXPECT_NE(RegisterThumbnail(77, src, &th), kResultOk);
    EXPECT_EQ(th, 0u);
    EXPECT_EQ(RegisterThumbnail(77, src, &th), kResultOk);
}

TEST(FakePlatform, GuardSeesSecondHolder) {
    FakePlatform& fake = InstallFakePlatform();
    const InstanceGuard first = fake.CreateInstanceGuard("Vantrel");
    const InstanceGuard second = fake.CreateInstanceGuard("Vantrel");
    EXPECT_FALSE(first.alreadyExists);
    EXPECT_TRUE(second.alreadyExists);
    fake.CloseInstanceGuard(second.handle);
    fake.CloseInstanceGuard(first.handle);
    EXPECT_FALSE(fake.CreateInstanceGuard("Vantrel").alreadyExists);
}
