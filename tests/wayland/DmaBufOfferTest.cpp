// Which DMA-BUF layouts a stream offers: only what the compositor imports for the opaque
// fourcc of each format (the implicit layout only when listed), and a refused layout goes
// from every format that shares its fourcc.
#include <gtest/gtest.h>

#include <spa/param/video/raw.h>

#include "platform/wayland/DmaBufOffer.h"

namespace {

constexpr std::uint32_t kXrgb = 0x34325258;  // 'XR24'
constexpr std::uint32_t kXbgr = 0x34324258;  // 'XB24'
constexpr std::uint32_t kArgb = 0x34325241;  // 'AR24'
constexpr std::uint32_t kNv12 = 0x3231564e;  // 'NV12'
constexpr std::uint64_t kTiled = 0x0100000000000001ULL;
constexpr std::uint32_t kBgrx = SPA_VIDEO_FORMAT_BGRx;
constexpr std::uint32_t kRgbx = SPA_VIDEO_FORMAT_RGBx;
constexpr std::uint32_t kBgra = SPA_VIDEO_FORMAT_BGRA;
constexpr std::uint32_t kRgba = SPA_VIDEO_FORMAT_RGBA;

using Formats = std::vector<DmaBufOffer::Format>;

TEST(DmaBufOfferTest, OnlyWhatTheCompositorImportsForTheOpaqueFourcc) {
    struct Case {
        const char* name;
        DmaBufPairs importable;
        Formats expected;
    };
    const Case cases[] = {
        {"no linux-dmabuf", {}, {}},
        {"XRGB8888 for BGRx and BGRA, linear and tiled",
         {{kXrgb, kLinearModifier}, {kXrgb, kTiled}},
         {{kBgrx, {kLinearModifier, kTiled}}, {kBgra, {kLinearModifier, kTiled}}}},
        {"implicit layout only when listed",
         {{kXbgr, kImplicitModifier}, {kXrgb, kLinearModifier}},
         {{kBgrx, {kLinearModifier}},
          {kRgbx, {kImplicitModifier}},
          {kBgra, {kLinearModifier}},
          {kRgba, {kImplicitModifier}}}},
        {"formats with alpha or other formats are not ours",
         {{kArgb, kLinearModifier}, {kNv12, kLinearModifier}},
         {}},
    };
    for (const Case& test : cases) {
        const DmaBufOffer offer = DmaBufOffer::For(test.importable);
        EXPECT_EQ(offer.Formats(), test.expected) << test.name;
        EXPECT_EQ(offer.Empty(), test.expected.empty()) << test.name;
    }
}

TEST(DmaBufOfferTest, RefusedLayoutLeavesEveryFormatOfItsFourcc) {
    const DmaBufPairs importable{
        {kXrgb, kLinearModifier}, {kXrgb, kTiled}, {kXbgr, kLinearModifier}};
    struct Case {
        const char* name;
        std::vector<std::pair<std::uint32_t, std::uint64_t>> refused;
        bool changed;  // by the last refusal
        Formats expected;
    };
    const Case cases[] = {
        {"BGRA linear refused: BGRx linear too",
         {{kBgra, kLinearModifier}},
         true,
         {{kBgrx, {kTiled}},
          {kRgbx, {kLinearModifier}},
          {kBgra, {kTiled}},
          {kRgba, {kLinearModifier}}}},
        {"the last modifier refused: the formats go",
         {{kRgbx, kLinearModifier}},
         true,
         {{kBgrx, {kLinearModifier, kTiled}}, {kBgra, {kLinearModifier, kTiled}}}},
        {"a layout never offered changes nothing",
         {{kBgrx, kImplicitModifier}},
         false,
         DmaBufOffer::For(importable).Formats()},
        {"refused twice: the second changes nothing",
         {{kBgrx, kTiled}, {kBgra, kTiled}},
         false,
         {{kBgrx, {kLinearModifier}},
          {kRgbx, {kLinearModifier}},
          {kBgra, {kLinearModifier}},
          {kRgba, {kLinearModifier}}}},
        {"every layout refused: shared memory only",
         {{kBgrx, kLinearModifier}, {kBgrx, kTiled}, {kRgba, kLinearModifier}},
         true,
         {}},
    };
    for (const Case& test : cases) {
        DmaBufOffer offer = DmaBufOffer::For(importable);
        bool changed = false;
        for (const auto& [format, modifier] : test.refused) {
            changed = offer.Refuse(format, modifier);
        }
        EXPECT_EQ(changed, test.changed) << test.name;
        EXPECT_EQ(offer.Formats(), test.expected) << test.name;
    }
    DmaBufOffer offer = DmaBufOffer::For(importable);
    EXPECT_TRUE(offer.RefuseAll());
    EXPECT_TRUE(offer.Empty());
    EXPECT_FALSE(offer.RefuseAll()) << "nothing left to renegotiate";
}

}  // namespace
