#include "platform/wayland/FramePath.h"

#include <spa/param/video/raw.h>

namespace {
// wl_shm format codes (wayland.xml): fourcc codes except the two mandatory ones.
constexpr std::uint32_t kShmXrgb8888 = 1;
constexpr std::uint32_t kShmXbgr8888 = 0x34324258;  // 'XB24'
}  // namespace

FramePath ChooseFramePath(const FramePathFacts& facts) {
    const bool surfaces = facts.surfaceKnown && facts.subcompositor && facts.viewporter;
    if (facts.dmaBuf) {
        return surfaces && facts.linuxDmaBuf ? FramePath::HandedOnDmaBuf : FramePath::Drawn;
    }
    return surfaces && facts.shmFormat && facts.memFd ? FramePath::HandedOnShm : FramePath::Drawn;
}

QString DescribeFramePath(FramePath path, const FramePathFacts& facts) {
    if (path == FramePath::HandedOnShm) {
        return QStringLiteral("wayland, frames handed to the compositor (shm)");
    }
    if (path == FramePath::HandedOnDmaBuf) {
        return QStringLiteral("wayland, frames handed to the compositor (dmabuf)");
    }
    const char* why = !facts.surfaceKnown    ? "no Wayland surface for the clone"
                      : !facts.subcompositor ? "the compositor has no wl_subcompositor"
                      : !facts.viewporter    ? "the compositor has no wp_viewporter"
                      : facts.dmaBuf         ? "the compositor imports no DMA-BUF"
                      : !facts.shmFormat     ? "the compositor takes no shm buffer in this format"
                                             : "the frames are not in shared memory";
    return QStringLiteral("wayland, frames drawn by the program (%1)").arg(QLatin1String(why));
}

std::uint32_t ShmFormatForVideoFormat(std::uint32_t spaVideoFormat) {
    switch (spaVideoFormat) {
        case SPA_VIDEO_FORMAT_BGRx:
        case SPA_VIDEO_FORMAT_BGRA:
            return kShmXrgb8888;
        case SPA_VIDEO_FORMAT_RGBx:
        case SPA_VIDEO_FORMAT_RGBA:
            return kShmXbgr8888;
        default:
            return 0;
    }
}
