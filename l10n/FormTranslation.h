// Translation of a whole window by component name, and the desktop font.
#pragma once

#include <QFont>
#include <QWidget>

#include <cstdint>
#include <string>

#include "l10n/Localizer.h"
#include "platform/Platform.h"

// Replaces the caption (window title, text or title) and hint (tool tip) of the form and of
// every TWideButton, TWideLabel and TWideGroupBox among its child widgets, at any depth, with
// the catalog entries for the form's object name. Windows that only belong to the form
// (dialogs, menus) are not its controls and are not visited. Without a language file for
// langId nothing changes.
void TranslateForm(QWidget* form, std::int32_t langId);
// One control and then its child widgets: the entry of formName overrides the "<ALL>" one.
void TranslateControl(const std::string& formName, QObject* control,
                      const TLanguageStrings& language);

// Gives font the desktop's interface font, or the default GUI font when there is none.
void ApplySystemFont(QFont& font);
void ApplyDefaultGuiFont(QFont& font);

// Takes every attribute but the colour from a logical-font record into font.
void AdoptLogicalFont(QFont& font, const LogicalFont& record);
