// Where the main window first appears: centred in the primary screen's work area.
#pragma once

class QWidget;

// Centres the window, frame included, in the primary screen's work area; nothing without a
// primary screen. The window's size is the preferred one: on a small work area (a large
// scale factor) it shrinks to fit, frame included, but never below the size at which its
// bottom buttons would overlap, and the list gives up the height and scrolls.
void CentreInWorkArea(QWidget& window);
