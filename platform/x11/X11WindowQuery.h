// Snapshot of the top-level windows and their titles.
#pragma once

#include <vector>

#include "platform/Platform.h"
#include "platform/x11/X11Context.h"

class X11WindowQuery {
public:
    explicit X11WindowQuery(X11Context& context);
    void BuildList(WindowHandle applicationWindow);
    int Count() const { return static_cast<int>(snapshot_.size()); }
    WindowHandle Item(int position) const;
    int ReadTitle(WindowHandle window, char16_t* buffer, int maxCount);

private:
    X11Context& context_;
    std::vector<WindowHandle> snapshot_;
};
