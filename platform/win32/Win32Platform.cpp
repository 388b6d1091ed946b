#include "platform/win32/Win32Platform.h"

#include "platform/win32/Win32Api.h"

#include <vector>

#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32System.h"
#include "platform/win32/Win32Thumbnails.h"
#include "platform/win32/Win32WindowQuery.h"

namespace {

class TWin32Platform final : public TPlatform {
  public:
    void BuildList(WindowHandle applicationWindow) override {
        FSnapshot = SnapshotSwitchableWindows(ToHwnd(applicationWindow));
    }
    int GetListCount() override { return static_cast<int>(FSnapshot.size()); }
    WindowHandle GetListItem(int position) override {
        if (position < 1 || static_cast<std::size_t>(position) > FSnapshot.size()) {
            return 0;
        }
        return FSnapshot[static_cast<std::size_t>(position) - 1];
    }
    int GetWindowText(WindowHandle window, char16_t* buffer, int maxCount) override {
        return ReadWindowTitle(window, buffer, maxCount);
    }
    // The monitors are enumerated on every call, so each answer reflects the current layout.
    int GetMonitorCount() override { return static_cast<int>(EnumerateMonitors().size()); }
    DisplayRect GetMonitorInfo(int index) override {
        const std::vector<DisplayRect> monitors = EnumerateMonitors();
        if (index < 0 || static_cast<std::size_t>(index) >= monitors.size()) {
            return DisplayRect{};
        }
        return monitors[static_cast<std::size_t>(index)];
    }

    // Only the flag counts: a failed call leaves it FALSE, so composition is then off.
    bool IsCompositionEnabled() override {
        BOOL enabled = FALSE;
        DwmIsCompositionEnabled(&enabled);
        return enabled != FALSE;
    }
    HResult RegisterThumbnail(WindowHandle destination, WindowHandle source,
                              ThumbnailHandle* thumbnail) override {
        return FThumbnails.Register(ToHwnd(destination), ToHwnd(source), thumbnail);
    }
    HResult QueryThumbnailSourceSize(ThumbnailHandle thumbnail, PixelSize* size) override {
        return FThumbnails.QuerySourceSize(thumbnail, size);
    }
    HResult UpdateThumbnailProperties(ThumbnailHandle thumbnail,
                                      const ThumbnailProperties& properties) override {
        return FThumbnails.Update(thumbnail, properties);
    }
    HResult UnregisterThumbnail(ThumbnailHandle thumbnail) override {
        return FThumbnails.Unregister(thumbnail);
    }

    InstanceGuard CreateInstanceGuard(const std::string& name) override {
        return CreateWin32InstanceGuard(name);
    }
    void CloseInstanceGuard(std::intptr_t handle) override { CloseWin32InstanceGuard(handle); }
    std::uint16_t GetUserDefaultLangId() override { return ReadWin32UserDefaultLangId(); }
    std::optional<LogicalFont> GetIconTitleFont() override { return ReadWin32IconTitleFont(); }
    LogicalFont GetDefaultGuiFont() override { return ReadWin32DefaultGuiFont(); }

  private:
    std::vector<WindowHandle> FSnapshot;
    TWin32Thumbnails FThumbnails;
};

}  // namespace

std::unique_ptr<TPlatform> CreateWin32Platform() {
    return std::make_unique<TWin32Platform>();
}
