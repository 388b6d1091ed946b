// The desktop's interface font on Win32, as a QFont.
#pragma once

#include "platform/win32/Win32Api.h"

#include <QFont>

#include <optional>

// Takes every attribute a QFont has from a logical font into font: size, weight, italic,
// underline, strike-out, face and pitch.
void AdoptLogicalFont(QFont& font, const LOGFONTW& record);

// The icon-title font the desktop uses for the names under its icons; nothing when the
// system does not answer.
std::optional<LOGFONTW> ReadIconTitleFont();
// The stock DEFAULT_GUI_FONT; nothing when the system does not answer.
std::optional<LOGFONTW> ReadDefaultGuiFont();

// The icon-title font adopted into the application's font, else the default GUI font, else
// the application's font unchanged.
QFont ReadInterfaceFont();
