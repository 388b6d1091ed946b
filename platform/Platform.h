// One platform backend: the window list, the displays, the compositor, the system
// services and the code pages. The composition root makes one and hands its parts to the forms.
#pragma once

#include "platform/CodePages.h"
#include "platform/Compositor.h"
#include "platform/DisplayList.h"
#include "platform/SystemServices.h"
#include "platform/WindowList.h"

class Platform {
  public:
    virtual ~Platform() = default;
    virtual WindowList& Windows() = 0;
    virtual DisplayList& Displays() = 0;
    virtual ::Compositor& Compositor() = 0;
    virtual SystemServices& System() = 0;
    virtual const CodePages& Encodings() = 0;
};
