#include "platform/wayland/StreamParams.h"

#include <spa/buffer/buffer.h>
#include <spa/buffer/meta.h>
#include <spa/param/param.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include "platform/wayland/DmaBufOffer.h"

namespace {

constexpr std::uint32_t kPointerShapeSide = 64;

struct Sizes {
    spa_rectangle defaultSize{1280, 720};
    spa_rectangle minSize{1, 1};
    spa_rectangle maxSize{16384, 16384};
    spa_fraction defaultRate{60, 1};
    spa_fraction minRate{0, 1};
    spa_fraction maxRate{1000, 1};
};

void AddSizeAndRate(spa_pod_builder& builder) {
    Sizes sizes;
    spa_pod_builder_add(
        &builder, SPA_FORMAT_VIDEO_size,
        SPA_POD_CHOICE_RANGE_Rectangle(&sizes.defaultSize, &sizes.minSize, &sizes.maxSize),
        SPA_FORMAT_VIDEO_framerate,
        SPA_POD_CHOICE_RANGE_Fraction(&sizes.defaultRate, &sizes.minRate, &sizes.maxRate), 0);
}

void PushRawVideo(spa_pod_builder& builder, spa_pod_frame& object) {
    spa_pod_builder_push_object(&builder, &object, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
    spa_pod_builder_add(&builder, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
                        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), 0);
}

// Raw video in shared memory in the 32-bit formats the compositor and Qt take directly, any
// size and rate.
const spa_pod* SharedMemoryOffer(spa_pod_builder& builder) {
    spa_pod_frame object{};
    PushRawVideo(builder, object);
    spa_pod_builder_add(
        &builder, SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(5, kVideoFormats[0], kVideoFormats[0], kVideoFormats[1],
                               kVideoFormats[2], kVideoFormats[3]),
        0);
    AddSizeAndRate(builder);
    return static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &object));
}

// One format as DMA-BUF in the given layouts; the producer picks the modifier it can
// allocate (DONT_FIXATE) and the first is the preferred one.
const spa_pod* DmaBufFormatOffer(spa_pod_builder& builder, const DmaBufOffer::Format& format) {
    spa_pod_frame object{};
    PushRawVideo(builder, object);
    spa_pod_builder_add(&builder, SPA_FORMAT_VIDEO_format, SPA_POD_Id(format.videoFormat), 0);
    spa_pod_frame choice{};
    spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_modifier,
                         SPA_POD_PROP_FLAG_MANDATORY | SPA_POD_PROP_FLAG_DONT_FIXATE);
    spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Enum, 0);
    spa_pod_builder_long(&builder, static_cast<std::int64_t>(format.modifiers.front()));
    for (const std::uint64_t modifier : format.modifiers) {
        spa_pod_builder_long(&builder, static_cast<std::int64_t>(modifier));
    }
    spa_pod_builder_pop(&builder, &choice);
    AddSizeAndRate(builder);
    return static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &object));
}

}  // namespace

std::vector<const spa_pod*> FormatOffers(spa_pod_builder& builder, const DmaBufOffer& dmaBuf) {
    std::vector<const spa_pod*> offers;
    for (const DmaBufOffer::Format& format : dmaBuf.Formats()) {
        offers.push_back(DmaBufFormatOffer(builder, format));
    }
    offers.push_back(SharedMemoryOffer(builder));
    return offers;
}

std::uint32_t PointerMetaSize(std::uint32_t width, std::uint32_t height) {
    return sizeof(spa_meta_cursor) + sizeof(spa_meta_bitmap) + width * height * 4;
}

std::vector<const spa_pod*> BufferParams(spa_pod_builder& builder, bool dmaBuf) {
    const int dataTypes =
        dmaBuf ? (1 << SPA_DATA_DmaBuf) : ((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd));
    // A DMA-BUF layout may need more than one plane (a modifier's auxiliary planes).
    const int maxBlocks = dmaBuf ? 4 : 1;
    std::vector<const spa_pod*> params;
    params.push_back(static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(8, 4, 16), SPA_PARAM_BUFFERS_blocks,
        SPA_POD_CHOICE_RANGE_Int(1, 1, maxBlocks), SPA_PARAM_BUFFERS_dataType,
        SPA_POD_CHOICE_FLAGS_Int(dataTypes))));
    params.push_back(static_cast<const spa_pod*>(
        spa_pod_builder_add_object(&builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta,
                                   SPA_PARAM_META_type, SPA_POD_Id(SPA_META_VideoCrop),
                                   SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_region)))));
    params.push_back(static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
        SPA_POD_Id(SPA_META_Cursor), SPA_PARAM_META_size,
        SPA_POD_CHOICE_RANGE_Int(PointerMetaSize(kPointerShapeSide, kPointerShapeSide),
                                 PointerMetaSize(1, 1), PointerMetaSize(256, 256)))));
    return params;
}
