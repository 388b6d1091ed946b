// The displays as the program sees them, and Changed() when RandR reports that the screen,
// a CRTC or an output changed. The notifications of one change (there are several) are
// taken together: the layout is read once per event-loop turn after them, and Changed()
// follows only when it differs from the last one announced. Reading the displays in
// between announces nothing, so a caller that sees the new layout early still hears of it.
#pragma once

#include <memory>
#include <vector>

#include "platform/DisplayList.h"
#include "platform/x11/connection/X11ToolkitConnection.h"
#include "platform/x11/displays/X11DisplayLayout.h"

class X11DisplayList final : public DisplayList {
    Q_OBJECT
  public:
    explicit X11DisplayList(X11ToolkitConnection& toolkit) : toolkit_(toolkit) {}
    ~X11DisplayList() override;
    std::vector<DisplayInfo> Displays() override;

  private:
    bool Attach();
    bool OnEvent(xcb_generic_event_t* event);
    void CheckLayout();

    X11ToolkitConnection& toolkit_;
    X11Context* context_ = nullptr;
    std::unique_ptr<X11DisplayLayout> layout_;
    int handlerId_ = 0;
    bool checkQueued_ = false;
    std::vector<DisplayInfo> announced_;
};
