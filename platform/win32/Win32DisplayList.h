// The displays on Win32: the monitors EnumDisplayMonitors reports, named by their device
// names, with a change announced on WM_DISPLAYCHANGE.
#pragma once

#include "platform/win32/Win32Api.h"

#include <QAbstractNativeEventFilter>

#include <vector>

#include "platform/DisplayList.h"

struct DisplayEntry {
    DisplayInfo display;
    bool primary = false;
};

// Primary first, then by left edge, then by top edge.
void SortDisplays(std::vector<DisplayEntry>& monitors);

// The displays now attached to the desktop, in the program's numbering; each rectangle is
// the display's full area (rcMonitor), not its work area.
std::vector<DisplayInfo> EnumerateDisplays();

// True for the message Windows sends every top-level window when the display layout or
// resolution changed.
bool IsDisplayChangeMessage(const MSG& message);

class Win32DisplayList final : public DisplayList, private QAbstractNativeEventFilter {
  public:
    Win32DisplayList();
    ~Win32DisplayList() override;
    std::vector<DisplayInfo> Displays() override;

  private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    // The filter needs the application object, which the platform may precede.
    void WatchDisplayChanges();

    bool watching_ = false;
};
