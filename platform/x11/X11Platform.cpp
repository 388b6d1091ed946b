#include "platform/x11/X11Platform.h"

#include "platform/IcuCodePages.h"
#include "platform/x11/X11Compositor.h"
#include "platform/x11/X11Context.h"
#include "platform/x11/X11DisplayList.h"
#include "platform/x11/X11SystemServices.h"
#include "platform/x11/X11WindowQuery.h"

namespace {

// Attaches the window query to Qt's connection on the first snapshot.
class X11WindowList final : public WindowList {
  public:
    std::vector<ListedWindow> Snapshot(WindowHandle applicationWindow) override {
        if (!query_) {
            X11Context* context = X11Context::Get();
            if (context == nullptr) {
                return {};
            }
            query_ = std::make_unique<X11WindowQuery>(*context);
        }
        return query_->Snapshot(applicationWindow);
    }

  private:
    std::unique_ptr<X11WindowQuery> query_;
};

class X11Platform final : public Platform {
  public:
    WindowList& Windows() override { return windows_; }
    DisplayList& Displays() override { return displays_; }
    Compositor& Thumbnails() override { return compositor_; }
    SystemServices& System() override { return system_; }
    const CodePages& Encodings() override { return codePages_; }

  private:
    X11WindowList windows_;
    X11DisplayList displays_;
    X11Compositor compositor_;
    X11SystemServices system_;
    IcuCodePages codePages_;
};

}  // namespace

std::unique_ptr<Platform> CreateX11Platform() {
    return std::make_unique<X11Platform>();
}
