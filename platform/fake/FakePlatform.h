// An in-memory platform for tests: windows, monitors and thumbnails are whatever the test
// scripts, and every compositor call is recorded.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/Platform.h"

class FakePlatform : public TPlatform {
  public:
    struct Window {
        WindowHandle handle = 0;
        std::u16string title;
        PixelSize size{640, 480};
        bool titleReadFails = false;
    };

    struct Thumbnail {
        ThumbnailHandle handle = 0;
        WindowHandle destination = 0;
        WindowHandle source = 0;
        bool registered = false;  // false once unregistered
        std::vector<ThumbnailProperties> updates;
    };

    // --- control interface for tests ---
    WindowHandle AddWindow(const std::u16string& title, PixelSize size = {640, 480});
    void RenameWindow(WindowHandle window, const std::u16string& title);
    void ResizeWindow(WindowHandle window, PixelSize size);
    void RemoveWindow(WindowHandle window);
    void FailTitleRead(WindowHandle window, bool fail);
    const std::vector<Window>& Windows() const { return windows_; }

    void SetMonitors(std::vector<DisplayRect> monitors) { monitors_ = std::move(monitors); }
    void AddMonitor(DisplayRect rect) { monitors_.push_back(rect); }
    void RemoveMonitor(int index);
    const std::vector<DisplayRect>& Monitors() const { return monitors_; }

    void SetCompositionEnabled(bool enabled) { compositionEnabled_ = enabled; }
    // The next RegisterThumbnail call answers this result and registers nothing.
    void FailNextRegistration(HResult result = kResultFail) { nextRegistrationFailure_ = result; }
    const std::vector<Thumbnail>& Thumbnails() const { return thumbnails_; }
    const Thumbnail* FindThumbnail(ThumbnailHandle handle) const;
    int LiveThumbnailCount() const;

    void SetLanguageId(std::uint16_t id) { languageId_ = id; }
    void SetIconTitleFont(std::optional<LogicalFont> font) { iconTitleFont_ = std::move(font); }
    void SetDefaultGuiFont(LogicalFont font) { defaultGuiFont_ = std::move(font); }
    // Guard names currently held, as a second process would see them.
    void HoldGuard(const std::string& name) { guards_[name] += 1; }
    int GuardHolders(const std::string& name) const;

    int BuildListCalls() const { return buildListCalls_; }
    WindowHandle LastApplicationWindow() const { return lastApplicationWindow_; }
    int TitleReads() const { return titleReads_; }

    // --- TPlatform ---
    void BuildList(WindowHandle applicationWindow) override;
    int GetListCount() override;
    WindowHandle GetListItem(int position) override;
    int GetWindowText(WindowHandle window, char16_t* buffer, int maxCount) override;
    int GetMonitorCount() override;
    DisplayRect GetMonitorInfo(int index) override;

    bool IsCompositionEnabled() override;
    HResult RegisterThumbnail(WindowHandle destination, WindowHandle source,
                              ThumbnailHandle* thumbnail) override;
    HResult QueryThumbnailSourceSize(ThumbnailHandle thumbnail, PixelSize* size) override;
    HResult UpdateThumbnailProperties(ThumbnailHandle thumbnail,
                                      const ThumbnailProperties& properties) override;
    HResult UnregisterThumbnail(ThumbnailHandle thumbnail) override;

    InstanceGuard CreateInstanceGuard(const std::string& name) override;
    void CloseInstanceGuard(std::intptr_t handle) override;
    std::uint16_t GetUserDefaultLangId() override { return languageId_; }
    std::optional<LogicalFont> GetIconTitleFont() override { return iconTitleFont_; }
    LogicalFont GetDefaultGuiFont() override { return defaultGuiFont_; }

  private:
    Window* FindWindow(WindowHandle window);
    Thumbnail* FindLiveThumbnail(ThumbnailHandle handle);

    std::vector<Window> windows_;
    std::vector<WindowHandle> snapshot_;
    std::vector<DisplayRect> monitors_{{0, 0, 1920, 1080}};
    std::vector<Thumbnail> thumbnails_;
    std::map<std::string, int> guards_;
    std::map<std::intptr_t, std::string> guardHandles_;
    std::optional<LogicalFont> iconTitleFont_;
    LogicalFont defaultGuiFont_{};
    WindowHandle nextWindow_ = 0x1000;
    ThumbnailHandle nextThumbnail_ = 1;
    std::intptr_t nextGuard_ = 1;
    HResult nextRegistrationFailure_ = kResultOk;
    bool compositionEnabled_ = true;
    std::uint16_t languageId_ = 0x0409;
    int buildListCalls_ = 0;
    int titleReads_ = 0;
    WindowHandle lastApplicationWindow_ = 0;
};

// Installs a new fake as the current platform and returns it for scripting.
FakePlatform& InstallFakePlatform();
