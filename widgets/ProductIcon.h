// Vantrel's own icon: two displays showing the same window.
#pragma once

#include <QIcon>

// The icon with images of 16, 32, 48 and 256 pixels, drawn from the icon's SVG with Qt's SVG
// renderer (so no image-format or icon-engine plugin is needed). Needs the GUI application.
QIcon ProductIcon();
