// The X11 backend. Creating it touches no display: the guard and the language work before
// the toolkit starts; the window query and the compositor attach to Qt's xcb connection on
// first use.
#pragma once

#include <memory>

#include "platform/Platform.h"

std::unique_ptr<TPlatform> CreateX11Platform();
