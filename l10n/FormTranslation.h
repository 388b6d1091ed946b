// Translation of a whole window by component name.
#pragma once

#include <QWidget>

#include <cstdint>
#include <string>

#include "l10n/Catalog.h"

// Replaces the caption (window title, text or title) and hint (tool tip) of the form and of
// every WideButton, WideLabel and WideGroupBox among its child widgets, at any depth, with
// the catalog entries for the form's object name. Windows that only belong to the form
// (dialogs, menus) are not its controls and are not visited. Without a language file for
// langId nothing changes.
void TranslateForm(QWidget* form, const Catalog& catalog, std::int32_t langId);
// One control and then its child widgets: the entry of formName overrides the "<ALL>" one.
// Component names are compared in the catalog's code page.
void TranslateControl(const std::string& formName, QObject* control,
                      const TLanguageStrings& language, const CatalogCodePage& codePage);
