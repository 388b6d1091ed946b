// Where windows can only be placed by output (Wayland): a window is put full screen on the
// screen that carries a display's name, chosen before the window is shown, since the
// compositor takes the output from the full-screen request made when the window maps.
#pragma once

#include <QString>

class QWidget;

// Sets the window's screen to the one named screenName (the current one stays when no
// screen has that name) and asks for full screen; shows the window when show is true,
// otherwise the state applies at its next show().
void PlaceFullScreenOnNamedScreen(QWidget& window, const QString& screenName, bool show);
