// How a clone's frames reach the screen: handed on only when every piece is there, and a
// buffer goes back to the stream only when neither the newest picture nor the compositor
// needs it.
#include <gtest/gtest.h>

#include <spa/param/video/raw.h>

#include "platform/wayland/BufferLedger.h"
#include "platform/wayland/FramePath.h"
#include "platform/wayland/MemFdPlace.h"

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

// A DMA-BUF frame is handed on through linux-dmabuf or not at all: the program never draws
// one (shared memory need not be there for it).
TEST(FramePathTest, DmaBufHandedOnThroughLinuxDmaBufOnly) {
    struct Case {
        bool FramePathFacts::*missing;
        FramePath expected;
        const char* line;
    };
    const Case cases[] = {
        {nullptr, FramePath::HandedOnDmaBuf, "handed to the compositor (dmabuf)"},
        {&FramePathFacts::memFd, FramePath::HandedOnDmaBuf, "(dmabuf)"},
        {&FramePathFacts::shmFormat, FramePath::HandedOnDmaBuf, "(dmabuf)"},
        {&FramePathFacts::linuxDmaBuf, FramePath::Drawn, "imports no DMA-BUF"},
        {&FramePathFacts::viewporter, FramePath::Drawn, "no wp_viewporter"},
    };
    for (const Case& test : cases) {
        FramePathFacts facts = AllThere();
        facts.dmaBuf = true;
        facts.linuxDmaBuf = true;
        if (test.missing != nullptr) {
            facts.*test.missing = false;
        }
        EXPECT_EQ(ChooseFramePath(facts), test.expected) << test.line;
        EXPECT_TRUE(DescribeFramePath(ChooseFramePath(facts), facts).contains(test.line))
            << test.line;
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

// PipeWire's frames lie inside a memfd block it mapped: their offset in the file is the
// mapping's file offset plus their distance from the mapping's start.
TEST(MemFdPlaceTest, OffsetInTheFileFromTheMappingThatHoldsTheAddress) {
    const QByteArray maps =
        "7f0000000000-7f0000010000 rw-s 00000000 00:01 1234 /memfd:pipewire-memfd (deleted)\n"
        "7f0000010000-7f0000030000 rw-s 00020000 00:01 1235 /memfd:pipewire-memfd (deleted)\n"
        "7f0000030000-7f0000040000 rw-p 00000000 00:00 0 \n";
    EXPECT_EQ(FileOffsetOf(maps, 0x7f0000000460), std::optional<std::size_t>(0x460));
    EXPECT_EQ(FileOffsetOf(maps, 0x7f0000010460), std::optional<std::size_t>(0x20460));
    EXPECT_EQ(FileOffsetOf(maps, 0x7f0000030000), std::nullopt) << "anonymous memory";
    EXPECT_EQ(FileOffsetOf(maps, 0x7f0000050000), std::nullopt) << "not mapped";
}

}  // namespace
