// The pure parts of a clone's stream: reading the pointer from a cursor meta, placing it
// over the image, and what the stream offers the producer (DMA-BUF in the layouts the
// compositor imports, shared memory always; the metas it asks for).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <spa/buffer/buffer.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>
#include <spa/pod/iter.h>

#include "platform/wayland/DmaBufOffer.h"
#include "platform/wayland/StreamParams.h"
#include "platform/wayland/StreamPointer.h"

namespace {

const QSize kPicture(640, 480);
constexpr std::uint32_t kRedBgra = 0xffff0000;

struct MetaShape {
    std::uint32_t format = SPA_VIDEO_FORMAT_BGRA;
    int side = 4;
    int stride = 16;
};

// A cursor meta as producers write it: the shape (when given) right after the cursor.
std::vector<std::uint8_t> CursorMeta(std::uint32_t id, QPoint position,
                                     std::optional<MetaShape> shape) {
    const std::size_t pixels = shape ? static_cast<std::size_t>(shape->side) * shape->side : 0;
    std::vector<std::uint8_t> bytes(sizeof(spa_meta_cursor) + sizeof(spa_meta_bitmap) + pixels * 4);
    spa_meta_cursor cursor{};
    cursor.id = id;
    cursor.position = {position.x(), position.y()};
    cursor.hotspot = {2, 3};
    if (shape) {
        cursor.bitmap_offset = sizeof(spa_meta_cursor);
        spa_meta_bitmap bitmap{};
        bitmap.format = shape->format;
        bitmap.size = {static_cast<std::uint32_t>(shape->side),
                       static_cast<std::uint32_t>(shape->side)};
        bitmap.stride = shape->stride;
        bitmap.offset = sizeof(spa_meta_bitmap);
        std::memcpy(bytes.data() + sizeof(cursor), &bitmap, sizeof(bitmap));
        for (std::size_t i = 0; i < pixels; ++i) {
            std::memcpy(bytes.data() + sizeof(cursor) + sizeof(bitmap) + i * 4, &kRedBgra, 4);
        }
    }
    std::memcpy(bytes.data(), &cursor, sizeof(cursor));
    return bytes;
}

StreamPointer ShownPointer() {
    StreamPointer pointer;
    pointer.present = true;
    pointer.position = QPoint(10, 20);
    pointer.hotspot = QPoint(2, 3);
    pointer.shape = QImage(8, 8, QImage::Format_ARGB32);
    pointer.shape.fill(Qt::blue);
    return pointer;
}

struct MetaCase {
    const char* name;
    StreamPointer before;
    std::vector<std::uint8_t> meta;
    std::size_t cutTo;  // 0: the whole meta
    bool changed;
    bool present;
    QPoint position;
    QSize shapeSize;  // empty: no shape
};

class PointerMetaTest : public ::testing::TestWithParam<MetaCase> {};

TEST_P(PointerMetaTest, ReadsWhatTheMetaSays) {
    const MetaCase& c = GetParam();
    StreamPointer pointer = c.before;
    const std::size_t size = c.cutTo != 0 ? c.cutTo : c.meta.size();
    EXPECT_EQ(ReadPointerMeta(c.meta.data(), size, kPicture, pointer), c.changed);
    EXPECT_EQ(pointer.present, c.present);
    if (c.present) {
        EXPECT_EQ(pointer.position, c.position);
    }
    EXPECT_EQ(pointer.shape.isNull() ? QSize() : pointer.shape.size(), c.shapeSize);
    if (c.shapeSize == QSize(4, 4)) {
        EXPECT_EQ(pointer.shape.pixelColor(1, 1), QColor(Qt::red));
        EXPECT_EQ(pointer.hotspot, QPoint(2, 3));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PointerMetaTest,
    ::testing::Values(MetaCase{"ShapeAndPosition",
                               {},
                               CursorMeta(1, {30, 40}, MetaShape{}),
                               0,
                               true,
                               true,
                               {30, 40},
                               {4, 4}},
                      MetaCase{"PositionOnlyKeepsTheLastShape",
                               ShownPointer(),
                               CursorMeta(1, {50, 60}, std::nullopt),
                               0,
                               true,
                               true,
                               {50, 60},
                               {8, 8}},
                      MetaCase{"SamePositionChangesNothing",
                               ShownPointer(),
                               CursorMeta(1, {10, 20}, std::nullopt),
                               0,
                               false,
                               true,
                               {10, 20},
                               {8, 8}},
                      MetaCase{"IdZeroMeansNoPointer",
                               ShownPointer(),
                               CursorMeta(0, {10, 20}, std::nullopt),
                               0,
                               true,
                               false,
                               {},
                               {8, 8}},
                      MetaCase{"OutsideThePictureMeansNoPointer",
                               ShownPointer(),
                               CursorMeta(1, {700, 20}, std::nullopt),
                               0,
                               true,
                               false,
                               {},
                               {8, 8}},
                      MetaCase{"NoShapeYetDrawsNothing",
                               {},
                               CursorMeta(1, {30, 40}, std::nullopt),
                               0,
                               false,
                               false,
                               {},
                               {}},
                      MetaCase{"ShapePastTheMetaIsDropped",
                               ShownPointer(),
                               CursorMeta(1, {10, 20}, MetaShape{.stride = 4096}),
                               0,
                               true,
                               false,
                               {},
                               {}},
                      MetaCase{"UnknownShapeFormatIsDropped",
                               ShownPointer(),
                               CursorMeta(1, {10, 20}, MetaShape{.format = SPA_VIDEO_FORMAT_I420}),
                               0,
                               true,
                               false,
                               {},
                               {}},
                      MetaCase{"MetaShorterThanACursorIsIgnored",
                               ShownPointer(),
                               CursorMeta(0, {1, 1}, std::nullopt),
                               sizeof(spa_meta_cursor) - 1,
                               false,
                               true,
                               {10, 20},
                               {8, 8}},
                      MetaCase{"ShapeCutShortIsDropped",
                               {},
                               CursorMeta(1, {30, 40}, MetaShape{}),
                               sizeof(spa_meta_cursor) + sizeof(spa_meta_bitmap) + 20,
                               false,
                               false,
                               {},
                               {}}),
    [](const ::testing::TestParamInfo<MetaCase>& info) { return info.param.name; });

TEST(PointerMeta, NoMetaOnTheBufferChangesNothing) {
    StreamPointer pointer = ShownPointer();
    EXPECT_FALSE(ReadPointerMeta(nullptr, 0, kPicture, pointer));
    EXPECT_TRUE(pointer.present);
}

struct PlacementCase {
    const char* name;
    QRect shown;  // of the 640x480 picture
    ImageTurn turn;
    QRect target;
    bool present;
    QRect expected;
};

class PointerPlacementMathsTest : public ::testing::TestWithParam<PlacementCase> {};

// The pointer's hotspot at (100, 60), (4, 2) inside a 16x8 shape: the shape covers
// (96, 58)-(112, 66) of the picture and is scaled and turned with it.
TEST_P(PointerPlacementMathsTest, ShapeFollowsTheImage) {
    const PlacementCase& c = GetParam();
    StreamPointer pointer;
    pointer.present = c.present;
    pointer.position = QPoint(100, 60);
    pointer.hotspot = QPoint(4, 2);
    pointer.shape = QImage(16, 8, QImage::Format_ARGB32);
    EXPECT_EQ(PointerPlacementOnPart(pointer, c.shown, c.turn, c.target), c.expected);
}

constexpr QRect kWhole(0, 0, 640, 480);
constexpr QRect kUpright(0, 0, 640, 480);
constexpr QRect kOnItsSide(0, 0, 480, 640);

INSTANTIATE_TEST_SUITE_P(
    Cases, PointerPlacementMathsTest,
    ::testing::Values(
        PlacementCase{"NaturalSizeCentred",
                      kWhole,
                      ImageTurn::None,
                      {320, 120, 640, 480},
                      true,
                      {416, 178, 16, 8}},
        PlacementCase{"FittedOneAndAHalf",
                      kWhole,
                      ImageTurn::None,
                      {160, 0, 960, 720},
                      true,
                      {304, 87, 24, 12}},
        PlacementCase{
            "Cropped", {80, 40, 320, 240}, ImageTurn::None, kUpright, true, {32, 36, 32, 16}},
        PlacementCase{"Rotate90", kWhole, ImageTurn::Rotate90, kOnItsSide, true, {414, 96, 8, 16}},
        PlacementCase{"Rotate180", kWhole, ImageTurn::Rotate180, kUpright, true, {528, 414, 16, 8}},
        PlacementCase{
            "Rotate270", kWhole, ImageTurn::Rotate270, kOnItsSide, true, {58, 528, 8, 16}},
        PlacementCase{"FlipX", kWhole, ImageTurn::FlipX, kUpright, true, {528, 58, 16, 8}},
        PlacementCase{
            "HotspotOutsideThePart", {320, 240, 320, 240}, ImageTurn::None, kUpright, true, {}},
        PlacementCase{"NotPresent", kWhole, ImageTurn::None, kUpright, false, {}},
        PlacementCase{"NoImageShown", kWhole, ImageTurn::None, {}, true, {}}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return info.param.name; });

bool HasModifiers(const spa_pod* format) {
    return spa_pod_find_prop(format, nullptr, SPA_FORMAT_VIDEO_modifier) != nullptr;
}

// The id a property has, or the default of its choice.
std::uint32_t DefaultIdOf(const spa_pod* object, std::uint32_t key) {
    const spa_pod_prop* prop = spa_pod_find_prop(object, nullptr, key);
    if (prop == nullptr) {
        return 0;
    }
    std::uint32_t count = 0;
    std::uint32_t choice = 0;
    std::uint32_t id = 0;
    return spa_pod_get_id(spa_pod_get_values(&prop->value, &count, &choice), &id) == 0 ? id : 0;
}

// The data types a Buffers param accepts (the default of its flags choice).
int DataTypesOf(const spa_pod* buffers) {
    const spa_pod_prop* prop = spa_pod_find_prop(buffers, nullptr, SPA_PARAM_BUFFERS_dataType);
    if (prop == nullptr) {
        return 0;
    }
    std::uint32_t count = 0;
    std::uint32_t choice = 0;
    const spa_pod* value = spa_pod_get_values(&prop->value, &count, &choice);
    std::int32_t types = 0;
    return spa_pod_get_int(value, &types) == 0 ? types : 0;
}

// The modifiers of a format offer's modifier property and its flags.
std::vector<std::uint64_t> ModifiersOf(const spa_pod* format, std::uint32_t* flags) {
    const spa_pod_prop* prop = spa_pod_find_prop(format, nullptr, SPA_FORMAT_VIDEO_modifier);
    std::vector<std::uint64_t> modifiers;
    if (prop == nullptr) {
        return modifiers;
    }
    *flags = prop->flags;
    std::uint32_t count = 0;
    std::uint32_t choice = 0;
    const spa_pod* values = spa_pod_get_values(&prop->value, &count, &choice);
    const auto* longs = static_cast<const std::int64_t*>(SPA_POD_BODY_CONST(values));
    for (std::uint32_t i = 1; i < count; ++i) {  // after the preferred value
        modifiers.push_back(static_cast<std::uint64_t>(longs[i]));
    }
    return modifiers;
}

TEST(StreamOffer, DmaBufFirstInTheImportableLayoutsSharedMemoryAlways) {
    constexpr std::uint32_t kXrgb = 0x34325258;
    constexpr std::uint64_t kTiled = 0x0100000000000001ULL;
    for (const DmaBufPairs& importable :
         {DmaBufPairs{}, DmaBufPairs{{kXrgb, 0}, {kXrgb, kTiled}}}) {
        std::uint8_t storage[4096];
        spa_pod_builder builder{};
        spa_pod_builder_init(&builder, storage, sizeof(storage));
        const DmaBufOffer dmaBuf = DmaBufOffer::For(importable);
        const std::vector<const spa_pod*> offers = FormatOffers(builder, dmaBuf);
        ASSERT_EQ(offers.size(), dmaBuf.Formats().size() + 1);
        for (std::size_t i = 0; i < dmaBuf.Formats().size(); ++i) {
            std::uint32_t flags = 0;
            EXPECT_EQ(ModifiersOf(offers[i], &flags), dmaBuf.Formats()[i].modifiers);
            EXPECT_EQ(DefaultIdOf(offers[i], SPA_FORMAT_VIDEO_format),
                      dmaBuf.Formats()[i].videoFormat);
            EXPECT_EQ(flags, SPA_POD_PROP_FLAG_MANDATORY | SPA_POD_PROP_FLAG_DONT_FIXATE);
        }
        EXPECT_FALSE(HasModifiers(offers.back())) << "shared memory is always the last choice";
        EXPECT_EQ(DefaultIdOf(offers.back(), SPA_FORMAT_VIDEO_format), SPA_VIDEO_FORMAT_BGRx);
        for (const spa_pod* offer : offers) {
            EXPECT_EQ(DefaultIdOf(offer, SPA_FORMAT_mediaSubtype), SPA_MEDIA_SUBTYPE_raw);
        }
    }
}

TEST(StreamOffer, BuffersMatchTheNegotiatedFormatAndAskForCropAndPointer) {
    for (const bool dmaBuf : {false, true}) {
        std::uint8_t storage[1024];
        spa_pod_builder builder{};
        spa_pod_builder_init(&builder, storage, sizeof(storage));
        const std::vector<const spa_pod*> params = BufferParams(builder, dmaBuf);
        ASSERT_EQ(params.size(), 3u);
        EXPECT_EQ(DataTypesOf(params[0]),
                  dmaBuf ? 1 << SPA_DATA_DmaBuf : (1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd));
        EXPECT_EQ(DefaultIdOf(params[1], SPA_PARAM_META_type), SPA_META_VideoCrop);
        EXPECT_EQ(DefaultIdOf(params[2], SPA_PARAM_META_type), SPA_META_Cursor);
    }
    EXPECT_EQ(PointerMetaSize(64, 64),
              sizeof(spa_meta_cursor) + sizeof(spa_meta_bitmap) + 64 * 64 * 4);
}

}  // namespace
