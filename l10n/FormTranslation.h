// Translation of a whole window by component name, and the desktop font.
#pragma once

#include <QFont>
#include <QWidget>

#include <cstdint>
#include <string>

#include "l10n/Localizer.h"
#include "platform/Platform.h"

void TranslateForm(QWidget* form, std::int32_t langId);
void TranslateControl(const std::string& formName, QObject* control,
                      const TLanguageStrings& language);

// Gives font the desktop's interface font, or the default GUI font when there is none.
void ApplySystemFont(QFont& font);
void ApplyDefaultGuiFont(QFont& font);

// Takes every attribute but the colour from a logical-font record into font.
void AdoptLogicalFont(QFont& font, const LogicalFont& record);
