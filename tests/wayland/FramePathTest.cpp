// How a clone's frames reach the screen: handed on only when every piece is there, and a
// buffer goes back to the stream only when neither the newest picture nor the compositor
// needs it.
#include <gtest/gtest.h>

#include <spa/param/video/raw.h>

#include "platform/wayland/BufferLedger.h"
#include "platform/wayland/FramePath.h"

namespace {

FramePathFacts AllThere() {
    return {.surfaceKnown = true,
            .subcompositor = true,
            .viewporter = true,
            .shmFormat = true,
            .memFd = true};
}

TEST(FramePathTest, HandedOnOnlyWithEverythingElseDrawnSayingWhy) {
    struct Case {
        bool FramePathFacts::*missing;
        const char* why;
    };
    const Case cases[] = {
        {&FramePathFacts::surfaceKnown, "no Wayland surface"},
        {&FramePathFacts::subcompositor, "no wl_subcompositor"},
        {&FramePathFacts::viewporter, "no wp_viewporter"},
        {&FramePathFacts::shmFormat, "no shm buffer in this format"},
        {&FramePathFacts::memFd, "not in shared memory"},
    };
    EXPECT_EQ(ChooseFramePath(AllThere()), FramePath::HandedOnShm);
    EXPECT_EQ(DescribeFramePath(FramePath::HandedOnShm, AllThere()),
              QStringLiteral("wayland, frames handed to the compositor (shm)"));
    for (const Case& test : cases) {
        FramePathFacts facts = AllThere();
        facts.*test.missing = false;
        EXPECT_EQ(ChooseFramePath(facts), FramePath::Drawn) << test.why;
        const QString line = DescribeFramePath(FramePath::Drawn, facts);
        EXPECT_TRUE(line.startsWith(QStringLiteral("wayland, frames drawn by the program")));
        EXPECT_TRUE(line.contains(QLatin1String(test.why))) << qPrintable(line);
    }
}

TEST(FramePathTest, OpaqueShmFormatsForWindowFrames) {
    EXPECT_EQ(ShmFormatForVideoFormat(SPA_VIDEO_FORMAT_BGRx), 1u);  // XRGB8888
    EXPECT_EQ(ShmFormatForVideoFormat(SPA_VIDEO_FORMAT_BGRA), 1u);
    EXPECT_EQ(ShmFormatForVideoFormat(SPA_VIDEO_FORMAT_RGBx), 0x34324258u);  // XBGR8888
    EXPECT_EQ(ShmFormatForVideoFormat(SPA_VIDEO_FORMAT_RGBA), 0x34324258u);
    EXPECT_EQ(ShmFormatForVideoFormat(SPA_VIDEO_FORMAT_NV12), 0u);
}

TEST(BufferLedgerTest, BufferGoesBackOnlyWhenNeitherNewestNorHeld) {
    int a = 0;
    int b = 0;
    int c = 0;
    BufferLedger ledger;
    EXPECT_EQ(ledger.SetNewest(&a), std::nullopt);
    ledger.Hold(&a);
    EXPECT_EQ(ledger.SetNewest(&b), std::nullopt) << "the compositor still reads a";
    EXPECT_TRUE(ledger.Kept(&a));
    EXPECT_TRUE(ledger.Release(&a)) << "released and no longer newest";
    EXPECT_FALSE(ledger.Kept(&a));
    // Held twice (two clones of one window): back only after both released.
    ledger.Hold(&b);
    ledger.Hold(&b);
    EXPECT_EQ(ledger.SetNewest(&c), std::nullopt);
    EXPECT_FALSE(ledger.Release(&b));
    EXPECT_TRUE(ledger.Release(&b));
    // Released while still the newest: it stays until a newer one comes.
    ledger.Hold(&c);
    EXPECT_FALSE(ledger.Release(&c));
    EXPECT_EQ(ledger.SetNewest(&a), std::optional<BufferLedger::Key>(&c));
    // A release of a buffer the stream took away gives nothing back.
    ledger.Hold(&a);
    ledger.Forget(&a);
    EXPECT_FALSE(ledger.Release(&a));
    EXPECT_EQ(ledger.Newest(), nullptr);
}

}  // namespace
