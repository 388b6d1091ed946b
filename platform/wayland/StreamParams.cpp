#include "platform/wayland/StreamParams.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <spa/buffer/buffer.h>
#include <spa/buffer/meta.h>
#include <spa/param/param.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

namespace {

constexpr std::uint32_t kFormats[] = {SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_RGBx,
                                      SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBA};
constexpr std::uint32_t kPointerShapeSide = 64;

// Raw video in the 32-bit formats Qt draws directly, any size and rate; with modifiers the
// same as DMA-BUF, only in layouts the CPU can read.
const spa_pod* FormatOffer(spa_pod_builder& builder, bool withModifiers) {
    spa_rectangle defaultSize{1280, 720};
    spa_rectangle minSize{1, 1};
    spa_rectangle maxSize{16384, 16384};
    spa_fraction defaultRate{60, 1};
    spa_fraction minRate{0, 1};
    spa_fraction maxRate{1000, 1};
    spa_pod_frame object{};
    spa_pod_builder_push_object(&builder, &object, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
    spa_pod_builder_add(&builder, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
                        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), 0);
    spa_pod_builder_add(
        &builder, SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(5, kFormats[0], kFormats[0], kFormats[1], kFormats[2], kFormats[3]),
        0);
    if (withModifiers) {
        spa_pod_frame choice{};
        spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_modifier, SPA_POD_PROP_FLAG_MANDATORY);
        spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Enum, 0);
        spa_pod_builder_long(&builder, static_cast<std::int64_t>(kLinearModifier));
        spa_pod_builder_long(&builder, static_cast<std::int64_t>(kLinearModifier));
        spa_pod_builder_long(&builder, static_cast<std::int64_t>(kImplicitModifier));
        spa_pod_builder_pop(&builder, &choice);
    }
    spa_pod_builder_add(&builder, SPA_FORMAT_VIDEO_size,
                        SPA_POD_CHOICE_RANGE_Rectangle(&defaultSize, &minSize, &maxSize),
                        SPA_FORMAT_VIDEO_framerate,
                        SPA_POD_CHOICE_RANGE_Fraction(&defaultRate, &minRate, &maxRate), 0);
    return static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &object));
}

}  // namespace

bool IsLinearModifier(std::uint64_t modifier) {
    return modifier == kLinearModifier || modifier == kImplicitModifier;
}

bool HasRenderNode(const QString& deviceDir) {
    const QFileInfoList nodes =
        QDir(deviceDir).entryInfoList({QStringLiteral("renderD*")}, QDir::System | QDir::Files);
    for (const QFileInfo& node : nodes) {
        if (access(QFile::encodeName(node.filePath()).constData(), R_OK | W_OK) == 0) {
            return true;
        }
    }
    return false;
}

std::vector<const spa_pod*> FormatOffers(spa_pod_builder& builder, bool dmaBuf) {
    std::vector<const spa_pod*> offers;
    if (dmaBuf) {
        offers.push_back(FormatOffer(builder, true));
    }
    offers.push_back(FormatOffer(builder, false));
    return offers;
}

std::uint32_t PointerMetaSize(std::uint32_t width, std::uint32_t height) {
    return sizeof(spa_meta_cursor) + sizeof(spa_meta_bitmap) + width * height * 4;
}

std::vector<const spa_pod*> BufferParams(spa_pod_builder& builder, bool dmaBuf) {
    const int dataTypes =
        dmaBuf ? (1 << SPA_DATA_DmaBuf) : ((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd));
    std::vector<const spa_pod*> params;
    params.push_back(static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(8, 4, 16), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
        SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int(dataTypes))));
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
