// The displays of the X screen, numbered primary first, then by left, then by top.
#pragma once

#include <vector>

#include "platform/Platform.h"
#include "platform/x11/X11Context.h"

class X11Monitors {
public:
    explicit X11Monitors(X11Context& context);
    int Count();
    DisplayRect Rect(int index);

private:
    std::vector<DisplayRect> Query();
    X11Context& context_;
};
