#include "platform/x11/X11Platform.h"

#include "platform/IcuCodePages.h"
#include "platform/PlatformOfParts.h"
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

}  // namespace

std::unique_ptr<Platform> CreateX11Platform() {
    return std::make_unique<PlatformOfParts<X11WindowList, X11DisplayList, X11Compositor,
                                            X11SystemServices, IcuCodePages>>();
}
