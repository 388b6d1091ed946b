// The desktop's interface font, taken from the Qt platform theme.
#pragma once

#include <QFont>

// The desktop's general font as Qt's platform theme reads it (fontconfig, or the XSETTINGS
// of GNOME and KDE), else the application's default font. Without a GUI application Qt
// resolves no fonts: then the default QFont.
QFont DesktopInterfaceFont();
