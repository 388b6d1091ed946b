#include "platform/x11/X11Platform.h"

#include "platform/x11/X11Context.h"
#include "platform/x11/X11Monitors.h"
#include "platform/x11/X11System.h"
#include "platform/x11/X11Thumbnails.h"
#include "platform/x11/X11WindowQuery.h"

namespace {

class X11Platform final : public TPlatform {
  public:
    void BuildList(WindowHandle applicationWindow) override {
        if (Attach()) {
            query_->BuildList(applicationWindow);
        }
    }
    int GetListCount() override { return Attach() ? query_->Count() : 0; }
    WindowHandle GetListItem(int position) override {
        return Attach() ? query_->Item(position) : 0;
    }
    int GetWindowText(WindowHandle window, char16_t* buffer, int maxCount) override {
        if (!Attach()) {
            if (buffer != nullptr && maxCount > 0) {
                buffer[0] = u'\0';
            }
            return 0;
        }
        return query_->ReadTitle(window, buffer, maxCount);
    }
    int GetMonitorCount() override { return Attach() ? monitors_->Count() : 0; }
    DisplayRect GetMonitorInfo(int index) override {
        return Attach() ? monitors_->Rect(index) : DisplayRect{};
    }

    bool IsCompositionEnabled() override { return Attach() && thumbnails_->CompositionAvailable(); }
    HResult RegisterThumbnail(WindowHandle destination, WindowHandle source,
                              ThumbnailHandle* thumbnail) override {
        if (!Attach()) {
            return kResultFail;
        }
        return thumbnails_->Register(destination, source, thumbnail);
    }
    HResult QueryThumbnailSourceSize(ThumbnailHandle thumbnail, PixelSize* size) override {
        return Attach() ? thumbnails_->QuerySourceSize(thumbnail, size) : kResultFail;
    }
    HResult UpdateThumbnailProperties(ThumbnailHandle thumbnail,
                                      const ThumbnailProperties& properties) override {
        return Attach() ? thumbnails_->Update(thumbnail, properties) : kResultFail;
    }
    HResult UnregisterThumbnail(ThumbnailHandle thumbnail) override {
        return Attach() ? thumbnails_->Unregister(thumbnail) : kResultFail;
    }

    InstanceGuard CreateInstanceGuard(const std::string& name) override {
        return CreateLockFileGuard(name);
    }
    void CloseInstanceGuard(std::intptr_t handle) override { CloseLockFileGuard(handle); }
    std::uint16_t GetUserDefaultLangId() override { return LanguageIdFromLocale(); }
    std::optional<LogicalFont> GetIconTitleFont() override { return DesktopGeneralFont(); }
    LogicalFont GetDefaultGuiFont() override { return ApplicationDefaultFont(); }

  private:
    // Connects the X parts to Qt's xcb connection the first time they are needed.
    bool Attach() {
        if (context_ != nullptr) {
            return true;
        }
        context_ = X11Context::Get();
        if (context_ == nullptr) {
            return false;
        }
        query_ = std::make_unique<X11WindowQuery>(*context_);
        monitors_ = std::make_unique<X11Monitors>(*context_);
        thumbnails_ = std::make_unique<X11Thumbnails>(*context_);
        return true;
    }

    X11Context* context_ = nullptr;
    std::unique_ptr<X11WindowQuery> query_;
    std::unique_ptr<X11Monitors> monitors_;
    std::unique_ptr<X11Thumbnails> thumbnails_;
};

}  // namespace

std::unique_ptr<TPlatform> CreateX11Platform() {
    return std::make_unique<X11Platform>();
}
