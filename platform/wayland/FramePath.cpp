#include "platform/wayland/FramePath.h"

#include <spa/param/video/raw.h>

#include "platform/wayland/DmaBufOffer.h"

namespace {
// wl_shm names formats by their DRM fourcc, except the two mandatory ones (ARGB8888 is 0).
constexpr std::uint32_t kShmXrgb8888 = 1;
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
    const std::uint32_t fourcc = DrmFourccForVideoFormat(spaVideoFormat);
    return fourcc == DrmFourccForVideoFormat(SPA_VIDEO_FORMAT_BGRx) ? kShmXrgb8888 : fourcc;
}
